# MinGW-w64, 32-bit: the release. The launcher runs on Windows XP SP3 to
# Windows 11.
#
# Win32 thread model: the POSIX one links winpthread, which imports
# GetTickCount64 (Vista and later), and the launcher needs no C++ threads.
# The headers are XP's (0x0501), so anything newer can only be reached
# through a run-time lookup; app/win32/imports.txt lists every import.
#
# 32-bit Windows calls window procedures and other callbacks with a stack
# aligned to 4 bytes only, while GCC assumes 16: code below a callback that
# keeps SSE values on the stack (the decoder's SSSE3 rows) would fault on an
# aligned access. So every function assumes 4 and realigns where it needs
# more.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-win32)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-win32)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(KTR_WIN32_TARGET_FLAGS "-mincoming-stack-boundary=2 -D_WIN32_WINNT=0x0501 -DWINVER=0x0501")
set(CMAKE_C_FLAGS_INIT "${KTR_WIN32_TARGET_FLAGS}")
set(CMAKE_CXX_FLAGS_INIT "${KTR_WIN32_TARGET_FLAGS}")
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../e2e/wine-exec.sh)
