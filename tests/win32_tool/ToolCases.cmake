# Runs the rows below in order, each "exit code | pattern of the output |
# arguments"; <W> stands for the work directory as Wine's Z: drive names it.
# The tool takes every argument as a Windows path here, relative ones too.
cmake_minimum_required(VERSION 3.25)
string(REPLACE "|" ";" run "${RUN}")
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
string(REPLACE "/" "\\" W "Z:${WORK}")

set(rows
  "0|^brenvik ${VERSION}|--version"
  "0|title: +Holiday|path split C:\\images\\Holiday.vcd"
  "1|invalid +a\\?b|path validate-name a?b"
  "2|subcommand is required|path"
  "0|^created|fs mkdir -p <W>\\made\\deep"
  "0|^directory|file status <W>\\made\\deep"
  "0|^file +archive +demo.library.Holiday.vcd|file status demo\\library\\Holiday.vcd"
  "0|^video CD|image type <W>\\demo\\library\\Holiday.vcd"
  "0|\"type_code\": 7,|--json image type demo\\library\\Holiday.vcd"
  "0|^complete +.*Concert.DVD.D00|bundle check <W>\\demo\\library\\Concert.DVD\\Concert.DVD.D01"
  "1|missing +.*Lecture.DVD.D02|bundle check <W>\\demo\\library\\Lecture.DVD\\Lecture.DVD.D00"
  "1|2 DVD bundles .1 incomplete.|scan --strict <W>\\demo"
  "2|without confirmation|fs deltree <W>\\made"
  "0|^deleted|fs deltree --yes <W>\\made"
  "1|^missing|file status <W>\\made"
  "0|^deleted 4 members|bundle delete --yes <W>\\demo\\library\\Concert.DVD\\Concert.DVD.D00"
  "1|^missing|file status <W>\\demo\\library\\Concert.DVD")

execute_process(COMMAND ${run} ${MKDEMO} ${W}\\demo RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "brenvik-mkdemo failed (${rc})")
endif()

set(failed 0)
foreach(row IN LISTS rows)
  string(REPLACE "<W>" "${W}" row "${row}")
  string(REGEX MATCH "^([0-9])\\|([^|]*)\\|(.*)$" _ "${row}")
  set(want ${CMAKE_MATCH_1})
  set(pattern "${CMAKE_MATCH_2}")
  set(command "${CMAKE_MATCH_3}")
  string(REPLACE " " ";" args "${command}")
  execute_process(COMMAND ${run} ${TOOL} ${args} WORKING_DIRECTORY ${WORK}
                  OUTPUT_VARIABLE out ERROR_VARIABLE out RESULT_VARIABLE rc)
  # Lines of the output, so that ^ anchors at each.
  string(REGEX MATCHALL "[^\n]+" lines "${out}")
  set(seen 0)
  foreach(line IN LISTS lines)
    if(line MATCHES "${pattern}")
      set(seen 1)
    endif()
  endforeach()
  if(rc STREQUAL want AND seen)
    message(STATUS "ok      brenvik ${command}")
  else()
    message(STATUS "FAILED  brenvik ${command}: exit ${rc} (expected ${want}), "
                   "output${out}\n  expected a line matching '${pattern}'")
    math(EXPR failed "${failed} + 1")
  endif()
endforeach()
if(failed)
  message(FATAL_ERROR "${failed} of the tool's commands failed")
endif()
