# Processes, files, directories, events and threads.
list(APPEND brelo_platform_sources command_line.cpp)
if(WIN32)
    list(APPEND brelo_platform_sources platform_win32.cpp)
else()
    list(APPEND brelo_platform_sources platform_posix.cpp)
endif()
