# Tests of the platform layer, and the helpers that tests of every area may share.
add_library(lumo_test_support STATIC
  support/ChildProcess.cpp support/ChildProcess.h
  support/RandomKills.cpp support/RandomKills.h
  support/TempFolder.cpp support/TempFolder.h
  support/ImageFiles.h)
target_include_directories(lumo_test_support PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/support)

lumo_add_test(BinaryFileTest LABEL core SOURCES BinaryFileTest.cpp LIBS lumo_platform lumo_test_support)
lumo_add_test(FileSystemTest LABEL core SOURCES FileSystemTest.cpp LIBS lumo_platform lumo_test_support)
lumo_add_test(FileLockTest LABEL core SOURCES FileLockTest.cpp LIBS lumo_platform lumo_test_support)
