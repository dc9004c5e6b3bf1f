# Cross build for 64-bit Windows.
set(ZWSTATS_MINGW_PROCESSOR x86_64)
# What runs the built executables in the tests: Wine's 64-bit loader.
set(ZWSTATS_WINE /usr/lib/wine/wine64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-toolchain.cmake)
