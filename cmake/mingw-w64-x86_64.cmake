# Cross-compiles Lumo for 64-bit Windows with Debian's mingw-w64 (the POSIX thread model,
# which std::thread and std::mutex need):
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# The test programs then run under Wine, which CTest starts as their emulator.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(LUMO_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${LUMO_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${LUMO_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${LUMO_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${LUMO_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Everything linked in, so a program runs from any folder without the compiler's DLLs
# beside it: on an operator's machine, and under Wine.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

find_program(LUMO_WINE wine)
if(LUMO_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${LUMO_WINE})
endif()
