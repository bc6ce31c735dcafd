# Writes each of FILES (names separated by commas) from SOURCE to DIR with
# its comments and spaces taken out by emscripten's own JavaScript
# optimiser (OPTIMIZER, run by NODE, finding its modules on NODE_PATH), as
# it does the game's glue: the page's modules, the same code, smaller to
# fetch.
#
# usage: cmake -DNODE=... -DNODE_PATH=... -DOPTIMIZER=... -DSOURCE=... -DDIR=... -DFILES=a,b,... -P minify.cmake
string(REPLACE "," ";" FILES "${FILES}")
set(ENV{NODE_PATH} ${NODE_PATH})
foreach(name IN LISTS FILES)
  execute_process(COMMAND ${NODE} ${OPTIMIZER} ${SOURCE}/${name} minifyWhitespace --exportES6
                  OUTPUT_FILE ${DIR}/${name} RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "minify.cmake: ${name} could not be read as a module")
  endif()
endforeach()
