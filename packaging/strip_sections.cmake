# Run by CPack once the Debian package's files are staged: removes the .comment section (the
# compilers' version strings) and any .note section from every program, as Debian's dh_strip does,
# since CMake's strip keeps them and lintian reports them as unneeded. The .note.* sections
# (build id, ABI tag) stay: the loader and debuggers read them.
foreach(program IN LISTS CPACK_DUPSCAN_PROGRAMS)
  set(file "${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}/bin/${program}")
  execute_process(COMMAND "${CPACK_DUPSCAN_OBJCOPY}" --remove-section=.comment
                          --remove-section=.note "${file}"
                  RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${CPACK_DUPSCAN_OBJCOPY} could not remove the sections of ${file}")
  endif()
endforeach()
