# Makes FOLDER/within/folder a Linux link to FOLDER/outside and FOLDER/within/file a Linux link to
# FOLDER/outside/file, for dupscan-tidy's tests under wine, which cannot make Linux links itself
# and opens both as what they lead to. The test writes the files. ACTION=make makes them afresh;
# ACTION=remove takes the folder away.
if(ACTION STREQUAL "remove")
  file(REMOVE_RECURSE "${FOLDER}")
  return()
endif()
file(REMOVE_RECURSE "${FOLDER}")
file(MAKE_DIRECTORY "${FOLDER}/within" "${FOLDER}/outside")
file(CREATE_LINK ../outside "${FOLDER}/within/folder" SYMBOLIC)
file(CREATE_LINK ../outside/file "${FOLDER}/within/file" SYMBOLIC)
