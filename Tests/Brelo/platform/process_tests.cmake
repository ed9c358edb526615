# Tests of command-line splitting, files, directories, events and threads.
list(APPEND brelo_platform_test_sources
    ${CMAKE_CURRENT_LIST_DIR}/command_line_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/platform_process_test.cpp)
