# Cross-build the native Windows game with mingw-w64 on Linux; ctest runs the
# Windows programs under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MURLO_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${MURLO_MINGW_PREFIX}-gcc)
set(CMAKE_CXX_COMPILER ${MURLO_MINGW_PREFIX}-g++)
set(CMAKE_RC_COMPILER ${MURLO_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${MURLO_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The C and C++ runtimes go into the programs, so they import system DLLs only.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")

set(CMAKE_CROSSCOMPILING_EMULATOR wine)
