# Install the page tests' npm packages into DIR, exactly as SOURCE's
# package-lock.json pins them (npm ci), unless DIR already has that lock.
file(MAKE_DIRECTORY ${DIR})
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${SOURCE}/package-lock.json
                        ${DIR}/node_modules/.murlo-lock.json
                RESULT_VARIABLE differ)
if(NOT differ)
  return()
endif()
file(COPY ${SOURCE}/package.json ${SOURCE}/package-lock.json DESTINATION ${DIR})
execute_process(COMMAND npm ci --no-audit --no-fund --loglevel=error
                WORKING_DIRECTORY ${DIR} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "npm ci failed (${status}) in ${DIR}")
endif()
file(COPY_FILE ${SOURCE}/package-lock.json ${DIR}/node_modules/.murlo-lock.json)
