# The 32-bit DLL with Debian's mingw-w64; its tests need wine32.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(BRENVIK_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
