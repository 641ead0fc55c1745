# Cross-compiling the Windows program, 32-bit (for 32-bit Windows), with
# Debian's MinGW-w64.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TOOLCHAIN_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
# Tests of the Windows build run under Wine, where the kernel runs 32-bit
# programs.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
