# Runs PROGRAM with CASE.in on standard input and compares its standard
# output byte for byte with CASE.out and its exit status with CASE.status.
execute_process(COMMAND ${PROGRAM}
                INPUT_FILE ${CASE}.in
                OUTPUT_VARIABLE out
                ERROR_VARIABLE err
                RESULT_VARIABLE status)
file(READ ${CASE}.out expected)
set(expected_status 0)
if(EXISTS ${CASE}.status)
  file(STRINGS ${CASE}.status expected_status LIMIT_COUNT 1)
endif()
if(NOT out STREQUAL expected)
  file(WRITE ${ACTUAL} "${out}")
  message(FATAL_ERROR "output differs from ${CASE}.out (actual output written to ${ACTUAL})")
endif()
if(NOT status STREQUAL expected_status)
  message(FATAL_ERROR "exit status ${status}, expected ${expected_status}; stderr: ${err}")
endif()
