# The private-profile file and the program's own directory.
if(WIN32)
    list(APPEND brelo_platform_sources profile_win32.cpp)
else()
    list(APPEND brelo_platform_sources profile_posix.cpp)
endif()
