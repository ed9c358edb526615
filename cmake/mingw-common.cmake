# Shared by both MinGW-w64 toolchain files; BRELO_MINGW_TRIPLE names the target.
set(CMAKE_C_COMPILER ${BRELO_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${BRELO_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${BRELO_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${BRELO_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Each .exe carries its own runtime, so it runs alone on any Windows machine.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-s")
