# Runs the dump and fails unless its output equals the committed table byte
# for byte, showing where they part.
execute_process(COMMAND ${DUMP} OUTPUT_FILE ${ACTUAL} ERROR_VARIABLE errors RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "golden_dump failed (${status}):\n${errors}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${EXPECTED} ${ACTUAL}
  RESULT_VARIABLE different)
if(different EQUAL 0)
  return()
endif()
# The verdict above is the byte comparison; diff only shows the first lines,
# straight to the output, which message() would rewrap.
find_program(DIFF diff)
find_program(HEAD head)
if(DIFF AND HEAD)
  execute_process(COMMAND ${DIFF} -u ${EXPECTED} ${ACTUAL} COMMAND ${HEAD} -n 60)
endif()
message(FATAL_ERROR "golden output changed: ${ACTUAL} differs from ${EXPECTED} "
  "(first differing lines above). If the change is meant, run scripts/regen-golden "
  "and commit the table with it.")
