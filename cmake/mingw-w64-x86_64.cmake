# SPDX-License-Identifier: MIT
# Cross build for 64-bit Windows with mingw-w64; the programs run under Wine on the build machine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VELTRANE_MINGW_TRIPLE x86_64-w64-mingw32)
# The posix flavour gives std::thread and std::mutex; the win32 flavour has neither.
set(CMAKE_C_COMPILER ${VELTRANE_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VELTRANE_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VELTRANE_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VELTRANE_MINGW_TRIPLE})
# The Qt for Windows that scripts/build-qt-windows.sh builds, when given, is searched like the
# mingw folder; Debian's own Qt of the same version runs its tools (moc, rcc) on this machine.
if(VELTRANE_QT_WINDOWS)
    list(APPEND CMAKE_FIND_ROOT_PATH ${VELTRANE_QT_WINDOWS})
    set(QT_HOST_PATH /usr)
    set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake)
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Without Qt the C++ and thread runtimes are linked in, so that a program runs without mingw's DLLs
# beside it. With Qt they stay DLLs: Qt's own DLLs need them, and one copy serves the whole process.
if(NOT VELTRANE_QT_WINDOWS)
    set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
endif()

set(CMAKE_CROSSCOMPILING_EMULATOR wine)
