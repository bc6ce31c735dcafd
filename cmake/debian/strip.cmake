# Run by CPack on what it has installed, before it packs it: every ELF file
# (the programs and the libretro core, already stripped) also loses the
# .comment and .note sections, the compiler's name and version, as Debian's
# own packaging strips them.
file(GLOB_RECURSE murlo_files LIST_DIRECTORIES false "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
foreach(file IN LISTS murlo_files)
  file(READ "${file}" magic LIMIT 4 HEX)
  if(magic STREQUAL "7f454c46")
    execute_process(COMMAND "${CPACK_MURLO_STRIP}" --remove-section=.comment --remove-section=.note "${file}"
                    RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "strip failed on ${file}")
    endif()
  endif()
endforeach()
