# Tests of the core layer.

add_library(lumo_scripted_dialogs STATIC support/ScriptedDialogs.cpp support/ScriptedDialogs.h)
target_include_directories(lumo_scripted_dialogs PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/support)
target_link_libraries(lumo_scripted_dialogs PUBLIC lumo_core GTest::gtest)

lumo_add_test(FirmwareProfileTest LABEL core SOURCES FirmwareProfileTest.cpp LIBS lumo_core)
lumo_add_test(TargetAvailabilityTest LABEL core SOURCES TargetAvailabilityTest.cpp LIBS lumo_core)
lumo_add_test(TransferSelectionTest LABEL core SOURCES TransferSelectionTest.cpp LIBS lumo_core)
lumo_add_test(FileNameTest LABEL core SOURCES FileNameTest.cpp LIBS lumo_core lumo_test_support)
lumo_add_test(TableSwitchTest LABEL core SOURCES TableSwitchTest.cpp
  LIBS lumo_core lumo_scripted_dialogs lumo_test_support)
# The region copy's tests make the flush and the close of a file fail on POSIX systems.
if(WIN32)
  set(LUMO_FAILING_CALLS "")
else()
  set(LUMO_FAILING_CALLS support/FailingCalls.cpp support/FailingCalls.h)
endif()
lumo_add_test(RegionCopyTest LABEL core SOURCES RegionCopyTest.cpp ${LUMO_FAILING_CALLS}
  LIBS lumo_core lumo_scripted_dialogs lumo_test_support ${CMAKE_DL_LIBS})
lumo_add_test(TransferCommandTest LABEL core SOURCES TransferCommandTest.cpp
  LIBS lumo_core lumo_scripted_dialogs lumo_test_support)
