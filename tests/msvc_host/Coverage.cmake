# Fails unless OBJ imports every decorated name of NAMES ("decorated gnu"
# lines; one NAMES lacks fails the host's link already), and unless the
# README names every member of GNU_ONLY ("Class::name result (parameters)"
# lines), the static members a host of the Windows compiler cannot call.
execute_process(COMMAND ${NM} --undefined-only ${OBJ} OUTPUT_VARIABLE syms
                RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${NM} ${OBJ} failed")
endif()
string(REGEX MATCHALL "__imp_\\?[^\n]+" imported "${syms}")
list(TRANSFORM imported REPLACE "^__imp_" "")
file(STRINGS ${NAMES} pairs)
list(TRANSFORM pairs REPLACE " .*" "")
set(uncalled ${pairs})
list(REMOVE_ITEM uncalled ${imported})
if(uncalled)
  list(JOIN uncalled "\n  " uncalled)
  message(FATAL_ERROR "not called by the host:\n  ${uncalled}")
endif()
file(READ ${README} readme)
file(STRINGS ${GNU_ONLY} gnu_only)
foreach(member IN LISTS gnu_only)
  # As the README writes it: Class::name(parameters)
  string(REGEX REPLACE "^([^ ]+) [^(]*\\(" "\\1(" member "${member}")
  string(FIND "${readme}" "${member}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the README does not name ${member} among the GNU-ABI-only members")
  endif()
endforeach()

list(LENGTH pairs n)
message(STATUS "the host calls all ${n} decorated names")
