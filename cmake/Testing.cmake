# GoogleTest built from Debian's sources with the current toolchain, and brelo_add_test().
include(CTest)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

# brelo_add_test(NAME SOURCES file... [LIBS lib...])
# One GoogleTest executable registered as one ctest test. Windows builds run it under Wine through
# CMAKE_CROSSCOMPILING_EMULATOR; the i686 build compiles the tests but runs none.
function(brelo_add_test name)
    cmake_parse_arguments(arg "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${arg_SOURCES})
    target_link_libraries(${name} PRIVATE ${arg_LIBS} test_support GTest::gtest_main)
    if(NOT CMAKE_CROSSCOMPILING OR CMAKE_CROSSCOMPILING_EMULATOR)
        add_test(NAME ${name} COMMAND ${name})
        set_tests_properties(${name} PROPERTIES TIMEOUT 300)
    endif()
endfunction()
