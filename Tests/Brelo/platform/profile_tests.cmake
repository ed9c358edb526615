# Private-profile files and the executable's directory; the INI fixtures are shared with the
# settings tests.
list(APPEND brelo_platform_test_sources profile_test.cpp)
include(${CMAKE_SOURCE_DIR}/Tests/Brelo/settings/fixtures/fixtures.cmake)
