# Cross build for 64-bit Windows with Debian's MinGW-w64 (g++-mingw-w64-x86-64-posix: the
# POSIX thread model, so std::thread and std::mutex work). Used by ./run windows:
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TWINLINK_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TWINLINK_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TWINLINK_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${TWINLINK_MINGW}-windres)
set(CMAKE_DLLTOOL ${TWINLINK_MINGW}-dlltool)

set(CMAKE_FIND_ROOT_PATH /usr/${TWINLINK_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Executables and DLLs carry the C++ runtime and winpthreads inside, so that they run under Wine
# (and on a user's machine, inside SketchUp) without MinGW's DLLs beside them. -static takes the
# static archives of MinGW's libraries; Windows' own and the host's DLLs are still imported
# through their import libraries.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

# Tests run through Wine; Debian installs wine64 outside PATH.
find_program(TWINLINK_WINE64 wine64 PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(TWINLINK_WINE64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TWINLINK_WINE64})
endif()
