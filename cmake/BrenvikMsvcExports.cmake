# The Windows DLL also exports the static members under the names a host
# built with the Windows platform's own compiler imports them by, and comes
# with that compiler's import library, brenvik.lib. Both come from the public
# header at build time (MsvcExports.cmake), so a new member needs no list.
find_program(BRENVIK_CLANGXX NAMES clang++ clang++-14)
find_program(BRENVIK_LLVM_DLLTOOL NAMES llvm-dlltool llvm-dlltool-14)
find_program(BRENVIK_LLVM_READOBJ NAMES llvm-readobj llvm-readobj-14)
find_program(BRENVIK_LLVM_NM NAMES llvm-nm llvm-nm-14)
if(NOT BRENVIK_CLANGXX OR NOT BRENVIK_LLVM_DLLTOOL OR NOT BRENVIK_LLVM_READOBJ OR NOT BRENVIK_LLVM_NM)
  message(FATAL_ERROR "The Windows build needs clang++, llvm-dlltool, llvm-readobj and llvm-nm "
                      "(Debian: apt-get install clang llvm)")
endif()

if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  set(BRENVIK_DLLTOOL_MACHINE i386)
else()
  set(BRENVIK_DLLTOOL_MACHINE i386:x86-64)
endif()

# Where the names and brenvik.lib land; the tests read them too.
set(BRENVIK_MSVC_DIR ${PROJECT_BINARY_DIR}/msvc CACHE INTERNAL "")
set(BRENVIK_MSVC_IMPLIB ${BRENVIK_MSVC_DIR}/brenvik.lib CACHE INTERNAL "")
add_custom_command(
  OUTPUT ${BRENVIK_MSVC_DIR}/exports.def ${BRENVIK_MSVC_DIR}/import.def
         ${BRENVIK_MSVC_DIR}/names.txt ${BRENVIK_MSVC_DIR}/gnu-only.txt
  COMMAND ${CMAKE_COMMAND} -E make_directory ${BRENVIK_MSVC_DIR}
  COMMAND ${CMAKE_COMMAND} -DCLANG=${BRENVIK_CLANGXX} -DARCH=${CMAKE_SYSTEM_PROCESSOR}
          -DINCLUDE=${PROJECT_SOURCE_DIR}/include -DSDK_INCLUDE=${CMAKE_FIND_ROOT_PATH}/include
          -DOUT=${BRENVIK_MSVC_DIR} -P ${PROJECT_SOURCE_DIR}/cmake/MsvcExports.cmake
  DEPENDS ${PROJECT_SOURCE_DIR}/include/brenvik/brenvik.h
          ${PROJECT_SOURCE_DIR}/cmake/MsvcExports.cmake
  COMMENT "Computing the decorated names of the exported static members"
  VERBATIM)
# A .def among the sources goes to the linker: "decorated = gnu" lines add
# the decorated names as aliases of the members' code.
target_sources(brenvik PRIVATE ${BRENVIK_MSVC_DIR}/exports.def)

add_custom_command(
  OUTPUT ${BRENVIK_MSVC_IMPLIB}
  COMMAND ${BRENVIK_LLVM_DLLTOOL} -m ${BRENVIK_DLLTOOL_MACHINE}
          -d ${BRENVIK_MSVC_DIR}/import.def -l ${BRENVIK_MSVC_IMPLIB}
  DEPENDS ${BRENVIK_MSVC_DIR}/import.def
  COMMENT "Writing brenvik.lib, the import library for MSVC-built hosts"
  VERBATIM)
add_custom_target(brenvik_msvc_implib ALL DEPENDS ${BRENVIK_MSVC_IMPLIB})
add_dependencies(brenvik_msvc_implib brenvik)
