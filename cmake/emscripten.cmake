# Build for the browser (and node) with Debian's emscripten. Its compiler
# runs a JavaScript optimiser under node that finds its modules (acorn) only
# through NODE_PATH: set it for configuring here, and for every compile and
# link through launchers, so a plain `cmake --build` works from any shell.
include(/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake)

set(MURLO_NODE_PATH /usr/share/nodejs)
set(ENV{NODE_PATH} ${MURLO_NODE_PATH})
set(CMAKE_CXX_COMPILER_LAUNCHER ${CMAKE_COMMAND} -E env NODE_PATH=${MURLO_NODE_PATH})
set(CMAKE_CXX_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env NODE_PATH=${MURLO_NODE_PATH})
