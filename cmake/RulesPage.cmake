# Writes the rules file's man page source: man/sylvara-rules.5.md with @RULES@ replaced by every rule
# as `sylvara-sim --rules-list` prints it, one definition each.
execute_process(COMMAND "${SIM}" --rules-list OUTPUT_VARIABLE listing RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${SIM} --rules-list failed: ${failed}")
endif()
string(REPLACE "\n" ";" rows "${listing}")
set(rules "")
foreach(row ${rows})
  # name, default, range, meaning: columns apart by two blanks or more.
  if(row MATCHES "^([a-zA-Z]+\\.[a-zA-Z]+) +([^ ]+) +([^ ]+) +(.+)$")
    string(APPEND rules "`${CMAKE_MATCH_1}`\n:   ${CMAKE_MATCH_4}; default ${CMAKE_MATCH_2}, "
      "range ${CMAKE_MATCH_3}.\n\n")
  endif()
endforeach()
if(rules STREQUAL "")
  message(FATAL_ERROR "${SIM} --rules-list listed no rule")
endif()
file(READ "${SOURCE}" page)
string(REPLACE "@RULES@" "${rules}" page "${page}")
file(WRITE "${OUTPUT}" "${page}")
