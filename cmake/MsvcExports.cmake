# Computes, from the public header, the names under which a host built with
# the Windows platform's own compiler imports the static members of the
# exported classes, and pairs each with the GNU name our DLL defines.
#
#   cmake -DCLANG=<clang++> -DARCH=<i686|x86_64> -DINCLUDE=<include dir>
#         -DSDK_INCLUDE=<mingw-w64 headers>
#         -DOUT=<directory> -P MsvcExports.cmake
#
# clang names every declaration in its AST dump ("mangledName"): once with the
# Windows compiler's ABI, once with mingw-w64's. Both dumps list the members
# in declaration order, so the n-th static member of one is the n-th of the
# other. Writes into OUT:
#   exports.def    EXPORTS "decorated = gnu" lines, for the DLL's link
#   import.def     the decorated names, for llvm-dlltool's brenvik.lib
#   names.txt      "decorated gnu" lines, for the export check
#   gnu-only.txt   members whose signature the host cannot share, one a line
cmake_minimum_required(VERSION 3.25)

foreach(var CLANG ARCH INCLUDE SDK_INCLUDE OUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "MsvcExports: ${var} not given")
  endif()
endforeach()

set(classes CDriveEx CVcdImageEx)
set(probe "${OUT}/probe.cpp")
file(WRITE "${probe}" "#include <brenvik/brenvik.h>\n")

# mingw-w64's headers stand in for the platform SDK. They parse in the MSVC
# ABI once clang's Microsoft bug-compatibility is off (the ABI, and with it
# the decoration, stays); on i686 they also need the architecture macro
# that MSVC's own headers would get from <windows.h>.
# The same run is the check that a host with that compiler can read the
# header: GNU extensions and warnings are errors there.
set(msvc_flags -fno-ms-compatibility -Wall -Wextra -pedantic -Wgnu -Werror)
if(ARCH STREQUAL "i686")
  list(APPEND msvc_flags -D_X86_)
endif()

# Sets out_var to "access|name|type|mangled name" per static member of cls.
# The dump is pretty-printed two blanks a level: the class's members are the
# objects at the third level, their own fields at six blanks.
function(dump_members target cls flags out_var)
  set(dump "${OUT}/${target}-${cls}.json")
  execute_process(
    COMMAND ${CLANG} -std=c++17 --target=${target} -fsyntax-only
            -isystem ${SDK_INCLUDE} -I${INCLUDE} ${flags}
            -Xclang -ast-dump=json -Xclang -ast-dump-filter=${cls} ${probe}
    OUTPUT_FILE ${dump} ERROR_VARIABLE err RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "MsvcExports: ${CLANG} --target=${target} failed:\n${err}")
  endif()
  file(STRINGS ${dump} lines
       REGEX "^      \"(kind|name|mangledName|storageClass|access)\"|^        \"qualType\"")
  set(access private)
  set(rows)
  set(kind "")
  foreach(line IN LISTS lines ITEMS "      \"kind\": \"end\"")
    if(NOT line MATCHES "\"([A-Za-z]+)\": \"(.*)\",?$")
      continue()
    endif()
    set(field ${CMAKE_MATCH_1})
    set(value "${CMAKE_MATCH_2}")
    if(field STREQUAL "kind")
      if(kind STREQUAL "CXXMethodDecl" AND storage STREQUAL "static")
        list(APPEND rows "${access}|${name}|${type}|${mangledName}")
      endif()
      set(kind "${value}")
      set(storage "")
    elseif(field STREQUAL "access" AND kind STREQUAL "AccessSpecDecl")
      set(access "${value}")
    elseif(field STREQUAL "storageClass")
      set(storage "${value}")
    elseif(field STREQUAL "qualType")
      set(type "${value}")
    else()
      set(${field} "${value}")
    endif()
  endforeach()
  file(REMOVE ${dump})
  set(${out_var} "${rows}" PARENT_SCOPE)
endfunction()

set(exports "EXPORTS\n")
set(imports "LIBRARY brenvik.dll\nEXPORTS\n")
set(names "")
set(gnu_only "")
foreach(cls IN LISTS classes)
  dump_members(${ARCH}-pc-windows-msvc ${cls} "${msvc_flags}" msvc)
  dump_members(${ARCH}-w64-mingw32 ${cls} "" gnu)
  list(LENGTH msvc n_msvc)
  list(LENGTH gnu n_gnu)
  if(NOT n_msvc EQUAL n_gnu OR n_msvc EQUAL 0)
    message(FATAL_ERROR "MsvcExports: ${cls}: ${n_msvc} static members in the MSVC ABI, "
                        "${n_gnu} in the GNU ABI")
  endif()
  foreach(m ${msvc})
    list(POP_FRONT gnu g)
    string(REPLACE "|" ";" m "${m}")
    string(REPLACE "|" ";" g "${g}")
    list(GET m 1 name)
    list(GET m 2 type)
    list(GET m 3 decorated)
    list(GET g 1 gnu_member)
    list(GET g 3 gnu_name)
    if(NOT gnu_member STREQUAL name)
      message(FATAL_ERROR "MsvcExports: ${cls}: the ABIs list ${name} and ${gnu_member} "
                          "in the same place")
    endif()
    # i686 symbols carry a leading underscore that export names do not.
    if(ARCH STREQUAL "i686")
      string(SUBSTRING "${gnu_name}" 1 -1 gnu_name)
    endif()
    # A host shares plain C types and the records with us, not the class
    # library's objects: its CFile is not ours.
    string(REGEX REPLACE "[(,] *(const )?(struct )?(_WIN32_FILE_ATTRIBUTE_DATA|[A-Za-z0-9]+_tag) \\*" ""
           stripped "${type}")
    if(stripped MATCHES "[(,] *(const )?[A-Z_][A-Za-z0-9_]* *[&*]")
      string(APPEND gnu_only "${cls}::${name} ${type}\n")
      continue()
    endif()
    string(APPEND exports "  ${decorated} = ${gnu_name}\n")
    string(APPEND imports "  ${decorated}\n")
    string(APPEND names "${decorated} ${gnu_name}\n")
  endforeach()
endforeach()

file(WRITE "${OUT}/exports.def" "${exports}")
file(WRITE "${OUT}/import.def" "${imports}")
file(WRITE "${OUT}/names.txt" "${names}")
file(WRITE "${OUT}/gnu-only.txt" "${gnu_only}")
