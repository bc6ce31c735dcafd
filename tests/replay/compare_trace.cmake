# Run murlo-replay on SCRIPT and compare its trace with EXPECTED.
execute_process(COMMAND ${REPLAY} ${SCRIPT} OUTPUT_FILE ${ACTUAL} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "murlo-replay exited with ${status} on ${SCRIPT}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${EXPECTED} ${ACTUAL}
                RESULT_VARIABLE differ)
if(differ)
  message(FATAL_ERROR "trace of ${SCRIPT} differs from ${EXPECTED}; see ${ACTUAL}")
endif()
