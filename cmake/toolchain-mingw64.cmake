# Cross-compiling a 64-bit Windows build of the same sources, for testing
# only: on a machine whose kernel cannot run 32-bit programs, neither the
# 32-bit product nor 32-bit Wine starts, but 64-bit Wine runs this build.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TOOLCHAIN_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
# Tests of the Windows build run under 64-bit Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
