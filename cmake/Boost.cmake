# Boost.Regex and the string algorithms are header-only. The cross compilers must not see the
# rest of /usr/include, so they get a folder holding nothing but a link to the boost headers.
find_path(BRELO_BOOST_HEADERS boost/regex.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH REQUIRED)
if(CMAKE_CROSSCOMPILING)
    set(boost_shim ${CMAKE_BINARY_DIR}/boost-only)
    file(MAKE_DIRECTORY ${boost_shim})
    file(CREATE_LINK ${BRELO_BOOST_HEADERS}/boost ${boost_shim}/boost SYMBOLIC)
    set(boost_dir ${boost_shim})
else()
    set(boost_dir ${BRELO_BOOST_HEADERS})
endif()
add_library(boost_headers INTERFACE)
target_include_directories(boost_headers SYSTEM INTERFACE ${boost_dir})
