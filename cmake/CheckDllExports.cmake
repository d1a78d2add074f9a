# Checks that the shared library exports the two classes and what their
# signatures need, and nothing else: a DLL (through READOBJ) or an ELF shared
# object (through NM). For a DLL also that every decorated name of
# MSVC_NAMES (the "decorated gnu" lines MsvcExports.cmake writes) is
# exported at the address of its GNU-named export, and imported by the
# import library IMPLIB.
#
#   cmake -DREADOBJ=<llvm-readobj> -DDLL=<brenvik.dll>
#         [-DMSVC_NAMES=<names.txt> -DNM=<llvm-nm> -DIMPLIB=<brenvik.lib>]
#         -P CheckDllExports.cmake
#   cmake -DNM=<nm> -DELF=<libbrenvik.so> -P CheckDllExports.cmake
#
# An export belongs to a class when its (Itanium-mangled) name is a member,
# virtual table, type information or type name of that class.
cmake_minimum_required(VERSION 3.25)

if(DEFINED ELF)
  execute_process(COMMAND ${NM} -D --defined-only ${ELF}
                  OUTPUT_VARIABLE dump RESULT_VARIABLE rc ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${NM} -D ${ELF} failed: ${err}")
  endif()
  set(DLL ${ELF})
  # "<address> <type> <name>" lines, as "Name: <name>\n RVA: 0x<address>".
  string(REGEX REPLACE "([0-9A-Fa-f]+) [A-Za-z] ([^\n]+)" "Name: \\2\n RVA: 0x\\1" dump "${dump}")
elseif(DEFINED READOBJ AND DEFINED DLL)
  execute_process(COMMAND ${READOBJ} --coff-exports ${DLL}
                  OUTPUT_VARIABLE dump RESULT_VARIABLE rc ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${READOBJ} --coff-exports ${DLL} failed: ${err}")
  endif()
else()
  message(FATAL_ERROR "CheckDllExports: give READOBJ and DLL, or NM and ELF")
endif()
# Square brackets would keep CMake from splitting the list.
string(REPLACE "[" "<" dump "${dump}")
string(REPLACE "]" ">" dump "${dump}")
string(REGEX MATCHALL "Name: [^\n]+\n *RVA: 0x[0-9A-Fa-f]+" entries "${dump}")

set(decorated)
if(DEFINED MSVC_NAMES)
  file(STRINGS ${MSVC_NAMES} pairs)
  foreach(pair IN LISTS pairs)
    string(REGEX REPLACE " .*" "" name "${pair}")
    list(APPEND decorated "${name}")
  endforeach()
endif()

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
  string(REGEX REPLACE "^Name: ([^\n]+)\n *RVA: (0x[0-9A-Fa-f]+)$" "\\1;\\2" entry "${entry}")
  list(GET entry 0 name)
  list(GET entry 1 rva)
  set(rva_of_${name} ${rva})
  list(APPEND names "${name}")
  if(name MATCHES "${member_re}" OR name IN_LIST decorated)
    continue()
  endif()
  if(DEFINED ELF AND name STREQUAL "brenvik_set_debug_output")
    continue()  # the POSIX backend's receiver of debug output
  endif()
  if(NOT DEFINED ELF AND (name MATCHES "^DllMain(@12)?$" OR name IN_LIST internal_typeinfo))
    continue()
  endif()
  list(APPEND strangers "${name}")
endforeach()

set(misplaced)
foreach(pair IN LISTS pairs)
  string(REPLACE " " ";" pair "${pair}")
  list(GET pair 0 name)
  list(GET pair 1 gnu)
  if(NOT DEFINED rva_of_${gnu} OR NOT "${rva_of_${name}}" STREQUAL "${rva_of_${gnu}}")
    list(APPEND misplaced "${name} at '${rva_of_${name}}', ${gnu} at '${rva_of_${gnu}}'")
  endif()
endforeach()

if(DEFINED IMPLIB)
  execute_process(COMMAND ${NM} --defined-only ${IMPLIB}
                  OUTPUT_VARIABLE lib_syms RESULT_VARIABLE rc ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${NM} ${IMPLIB} failed: ${err}")
  endif()
  string(REGEX MATCHALL "__imp_[^\n]+" imported "${lib_syms}")
  list(TRANSFORM imported REPLACE "^__imp_" "")
  set(unimported ${decorated})
  list(REMOVE_ITEM unimported ${imported})
  list(TRANSFORM unimported PREPEND "not in ${IMPLIB}: ")
  list(APPEND misplaced ${unimported})
endif()

list(LENGTH names count)
set(required
  _ZTV8CDriveEx _ZTV11CVcdImageEx _ZTI8CDriveEx _ZTI11CVcdImageEx
  _ZN8CDriveExC1Ev _ZN8CDriveExD0Ev _ZN11CVcdImageExC1Ev _ZN11CVcdImageExD0Ev
  _ZN8CDriveEx9IsCdDriveEi _ZN11CVcdImageEx13GetVCD_cdtypeEPKc
  _ZN8CDriveEx15GetDriveType_ExEPKc _ZN8CDriveEx14Drv_Int2LetterEiPc
  _ZN8CDriveEx10ComposeUNCEPcPK14SPLITFPATH_tag _ZN11CVcdImageEx14GetPathExtTypeEPKc
  _ZN7CObject12classCObjectE _ZNK7CObject15GetRuntimeClassEv _ZNK5CFile9GetLengthEv)
if(DEFINED ELF)
  list(APPEND required brenvik_set_debug_output)
endif()
set(missing)
foreach(name IN LISTS required)
  if(NOT name IN_LIST names)
    list(APPEND missing ${name})
  endif()
endforeach()

if(strangers OR missing OR misplaced)
  list(JOIN strangers "\n  " strangers_text)
  list(JOIN missing "\n  " missing_text)
  list(JOIN misplaced "\n  " misplaced_text)
  message(FATAL_ERROR "${DLL}: ${count} exports\n"
          "exports that belong to no exported class:\n  ${strangers_text}\n"
          "expected exports that are missing:\n  ${missing_text}\n"
          "decorated names missing, not at their member's address or not imported:\n"
          "  ${misplaced_text}")
endif()
set(note "")
if(DEFINED MSVC_NAMES)
  list(LENGTH pairs n_decorated)
  set(note "; ${n_decorated} decorated names, each at its member's address")
  if(DEFINED IMPLIB)
    string(APPEND note " and in ${IMPLIB}")
  endif()
endif()
message(STATUS "${DLL}: ${count} exports, all of the exported classes${note}")
