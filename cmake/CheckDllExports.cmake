# Checks that a DLL exports the two classes and what their signatures need,
# and nothing else.
#
#   cmake -DOBJDUMP=<objdump> -DDLL=<brenvik.dll> -P CheckDllExports.cmake
#
# An export belongs to a class when its (Itanium-mangled) name is a member,
# virtual table, type information or type name of that class.
cmake_minimum_required(VERSION 3.25)

foreach(var OBJDUMP DLL)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "CheckDllExports: ${var} not given")
  endif()
endforeach()

execute_process(COMMAND ${OBJDUMP} -p ${DLL}
                OUTPUT_VARIABLE dump RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p ${DLL} failed: ${err}")
endif()

# The name table follows "[Ordinal/Name Pointer] Table" and ends at the first
# blank line.
string(FIND "${dump}" "[Ordinal/Name Pointer] Table" at)
if(at EQUAL -1)
  message(FATAL_ERROR "${DLL} has no export name table")
endif()
string(SUBSTRING "${dump}" ${at} -1 table)
string(REGEX REPLACE "\n[ \t]*\n.*" "" table "${table}")
# Square brackets would keep CMake from splitting the list.
string(REPLACE "[" "<" table "${table}")
string(REPLACE "]" ">" table "${table}")
string(REGEX MATCHALL "\n[ \t]*<[ 0-9]+>[ \t]+[^ \t\n]+" entries "${table}")

set(classes "8CDriveEx|11CVcdImageEx|7CObject|5CFile|14CFileException|13CRuntimeClass")
set(member_re "^_Z(N[KVR]*|TV|TI|TS)(${classes})")
# mingw-w64's GCC exports the type information (_ZTI, never code or tables)
# of every polymorphic class with external linkage that a DLL defines,
# whatever its visibility, and the linker cannot be told otherwise. These
# are the library's own; a new one fails this check until it is listed.
set(internal_typeinfo
  _ZTIN7brenvik8platform8ServicesE  # the services interface
  _ZTI15CDynLinkLibrary             # class-library extension-module link
  _ZTI9CFileFind)                   # class-library directory search
set(names)
set(strangers)
foreach(entry IN LISTS entries)
  string(REGEX REPLACE "^\n[ \t]*<[ 0-9]+>[ \t]+" "" name "${entry}")
  list(APPEND names "${name}")
  if(name MATCHES "${member_re}")
    continue()
  endif()
  if(name MATCHES "^DllMain(@12)?$" OR name IN_LIST internal_typeinfo)
    continue()
  endif()
  list(APPEND strangers "${name}")
endforeach()

list(LENGTH names count)
set(required
  _ZTV8CDriveEx _ZTV11CVcdImageEx _ZTI8CDriveEx _ZTI11CVcdImageEx
  _ZN8CDriveExC1Ev _ZN8CDriveExD0Ev _ZN11CVcdImageExC1Ev _ZN11CVcdImageExD0Ev
  _ZN8CDriveEx9IsCdDriveEi _ZN11CVcdImageEx13GetVCD_cdtypeEPKc)
set(missing)
foreach(name IN LISTS required)
  if(NOT name IN_LIST names)
    list(APPEND missing ${name})
  endif()
endforeach()

if(strangers OR missing)
  list(JOIN strangers "\n  " strangers_text)
  list(JOIN missing "\n  " missing_text)
  message(FATAL_ERROR "${DLL}: ${count} exports\n"
          "exports that belong to no exported class:\n  ${strangers_text}\n"
          "expected exports that are missing:\n  ${missing_text}")
endif()
message(STATUS "${DLL}: ${count} exports, all of the exported classes")
