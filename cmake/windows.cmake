# The Windows program: a GUI-subsystem exe whose C and C++ runtime support is
# linked in, so it imports only KERNEL32, USER32 and msvcrt.
set(ZWSTATS_WINDOWS_LINK_OPTIONS -static -static-libgcc -static-libstdc++)

# The front end and the file probe, kept apart from the entry point so the
# in-process tests under tests/wine link them too.
add_library(zwstats_windows STATIC
  display/win32_display.cpp
  platform/windows/files.cpp)
target_link_libraries(zwstats_windows PUBLIC zwstats_core user32)

add_executable(zwstats WIN32
  platform/windows/winmain.cpp
  platform/windows/wait.cpp)
target_link_libraries(zwstats PRIVATE zwstats_core zwstats_windows)
target_compile_options(zwstats PRIVATE -Os)
target_link_options(zwstats PRIVATE -mwindows ${ZWSTATS_WINDOWS_LINK_OPTIONS} -s)
# The ZIP package holds the exe at its top, beside README.txt.
install(TARGETS zwstats RUNTIME DESTINATION .)
