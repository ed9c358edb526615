# Windows i686 with MinGW-w64 (posix threads): the 32-bit deliverable. It links here but cannot
# run (no 32-bit support in the build machines' kernel), so no emulator is set.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(BRELO_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
