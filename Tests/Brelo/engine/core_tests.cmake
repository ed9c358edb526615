# Tests of converters and command lines, the process runner and the conversion log.
list(APPEND brelo_engine_test_sources
    ${CMAKE_CURRENT_LIST_DIR}/converter_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/console_process_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/conversion_log_test.cpp)
