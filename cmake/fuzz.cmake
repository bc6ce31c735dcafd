# libFuzzer targets (the fuzz preset: clang, with the whole build compiled
# for coverage and AddressSanitizer and UndefinedBehaviorSanitizer).
#
#   murlo_add_fuzz_target(NAME SOURCES file... [LIBRARIES lib...] CORPUS dir)
#
# builds the program NAME into fuzz/ of the build, adds it to the target
# murlo_fuzz (what the fuzz build preset builds), adds a ctest test
# fuzz.NAME (label fuzz) that runs every input of the committed CORPUS once,
# and lists it in fuzz/targets.txt ("NAME CORPUS" a line), where tools/fuzz
# finds every target to run. Any folder may add targets, before or after
# this file is included.
add_custom_target(murlo_fuzz)

function(murlo_add_fuzz_target name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "CORPUS" "SOURCES;LIBRARIES")
  if(NOT arg_SOURCES OR NOT arg_CORPUS)
    message(FATAL_ERROR "murlo_add_fuzz_target(${name}): SOURCES and CORPUS are needed")
  endif()
  add_executable(${name} ${arg_SOURCES})
  target_link_libraries(${name} PRIVATE ${arg_LIBRARIES})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
  add_dependencies(murlo_fuzz ${name})
  add_test(NAME fuzz.${name} COMMAND ${name} -runs=0 ${arg_CORPUS})
  set_tests_properties(fuzz.${name} PROPERTIES LABELS fuzz)
  set_property(TARGET murlo_fuzz APPEND PROPERTY MURLO_FUZZ_TARGETS "${name} ${arg_CORPUS}")
endfunction()

file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/fuzz/targets.txt
     CONTENT "$<JOIN:$<TARGET_PROPERTY:murlo_fuzz,MURLO_FUZZ_TARGETS>,\n>\n")

# Drawing pixels compares against constants all the time and teaches the
# fuzzer nothing; tracing those comparisons took most of a game input's time.
file(GLOB murlo_drawing_sources ${CMAKE_SOURCE_DIR}/lcd/*.cpp)
set_source_files_properties(${murlo_drawing_sources} PROPERTIES
                            COMPILE_OPTIONS -fno-sanitize-coverage=trace-cmp)
