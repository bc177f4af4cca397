# Tests of the platform layer, and the helpers that tests of every area may share.
if(WIN32)
  set(LUMO_CHILD_PROCESS_SOURCES support/ChildProcessWindows.cpp)
else()
  # Forked children, and the kill loops that end them at random moments.
  set(LUMO_CHILD_PROCESS_SOURCES support/ChildProcess.cpp support/RandomKills.cpp support/RandomKills.h)
endif()
add_library(lumo_test_support STATIC
  ${LUMO_CHILD_PROCESS_SOURCES} support/ChildProcess.h support/ChildRoutine.cpp support/ChildCommandLine.h
  support/OpenErrorForm.cpp support/OpenErrorForm.h
  support/SymbolicLink.cpp support/SymbolicLink.h
  support/TempFolder.cpp support/TempFolder.h
  support/CurrentFolder.h support/ImageFiles.h)
target_include_directories(lumo_test_support PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/support)
# The Windows helpers name files and programs through the platform layer's own conversions.
target_link_libraries(lumo_test_support PUBLIC lumo_platform GTest::gtest)

lumo_add_test(BinaryFileTest LABEL core SOURCES BinaryFileTest.cpp LIBS lumo_platform lumo_test_support)
lumo_add_test(FileSystemTest LABEL core SOURCES FileSystemTest.cpp LIBS lumo_platform lumo_test_support)
lumo_add_test(FileLockTest LABEL core SOURCES FileLockTest.cpp LIBS lumo_platform lumo_test_support)
