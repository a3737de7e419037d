# Cross-building for 64-bit Windows with Debian's mingw-w64 (the posix thread model, for C++'s
# std::thread and std::mutex):
#   cmake -S . -B build-win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# Executables link the C and C++ runtimes and the thread library statically, so an .exe needs no
# DLL beside it; tests and tools run under Wine when one is installed.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(ORU_MINGW_PREFIX x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${ORU_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ORU_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${ORU_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ORU_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Packages also where CMAKE_PREFIX_PATH points, as a developer's installed Oru.
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

find_program(ORU_WINE NAMES wine wine64)
if(ORU_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${ORU_WINE})
endif()
