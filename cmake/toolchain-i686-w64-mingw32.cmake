# Cross build for 32-bit Windows, the tool's own platform.
set(ZWSTATS_MINGW_PROCESSOR i686)
# What runs the built executables in the tests: Wine's 32-bit loader.
set(ZWSTATS_WINE /usr/lib/wine/wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-toolchain.cmake)
