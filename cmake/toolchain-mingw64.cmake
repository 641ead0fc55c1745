# Cross-compiling the Windows program, 64-bit (the product), with Debian's
# MinGW-w64.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TOOLCHAIN_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
# Tests of the Windows build run under 64-bit Wine, whose loader is called
# directly: on a kernel without 32-bit support `wine` would try the 32-bit
# loader first.
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
