# Shared part of the mingw-w64 toolchain files. Expects BRENVIK_MINGW_TRIPLET
# (i686-w64-mingw32 or x86_64-w64-mingw32) to be set by the including file.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_VERSION 6.1)

# The posix thread model: GCC 12's win32 model has no std::thread, and the
# tests use threads.
find_program(CMAKE_C_COMPILER NAMES ${BRENVIK_MINGW_TRIPLET}-gcc-posix ${BRENVIK_MINGW_TRIPLET}-gcc
             REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${BRENVIK_MINGW_TRIPLET}-g++-posix
             ${BRENVIK_MINGW_TRIPLET}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${BRENVIK_MINGW_TRIPLET}-windres)
find_program(CMAKE_AR NAMES ${BRENVIK_MINGW_TRIPLET}-gcc-ar-posix ${BRENVIK_MINGW_TRIPLET}-ar)
find_program(CMAKE_RANLIB NAMES ${BRENVIK_MINGW_TRIPLET}-gcc-ranlib-posix
             ${BRENVIK_MINGW_TRIPLET}-ranlib)

set(CMAKE_FIND_ROOT_PATH /usr/${BRENVIK_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Link the compiler's runtimes (libgcc, libstdc++, winpthread) statically, so
# that the DLL and the test programs need nothing but system DLLs. The
# runtimes' own symbols are kept out of the DLL's export table.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT
    "-static -static-libgcc -static-libstdc++ -Wl,--exclude-libs,ALL")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "${CMAKE_SHARED_LINKER_FLAGS_INIT}")

# Test programs run through Wine, in a prefix of the build tree's own, where a
# Wine that runs this architecture is installed (wine64 for x86_64, wine32
# for i686). Without one nothing is run: the tests are built but not added.
if(NOT DEFINED BRENVIK_WINE_LOADER)
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
    find_program(BRENVIK_WINE_LOADER NAMES wine NAMES_PER_DIR
                 PATHS /usr/lib/wine /usr/lib/i386-linux-gnu/wine NO_DEFAULT_PATH)
  else()
    find_program(BRENVIK_WINE_LOADER NAMES wine64 NAMES_PER_DIR
                 PATHS /usr/lib/wine /usr/lib64/wine NO_DEFAULT_PATH)
    if(NOT BRENVIK_WINE_LOADER)
      find_program(BRENVIK_WINE_LOADER NAMES wine64)
    endif()
  endif()
endif()
if(BRENVIK_WINE_LOADER)
  set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/../wine-run.sh"
      ${CMAKE_SYSTEM_PROCESSOR} "${CMAKE_BINARY_DIR}/wineprefix")
endif()
