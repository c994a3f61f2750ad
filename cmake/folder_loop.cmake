# Makes FOLDER/2024/loop a bind mount of FOLDER (a folder that is its own ancestor, which the
# walk must list once) and FOLDER/2024/link a Linux link to FOLDER (which wine shows as a reparse
# point with tag 0, and which the walk must skip like any link), for the Windows programs' tests
# under wine, which can make neither themselves. ACTION=make makes them afresh; ACTION=remove
# takes them away. Mounting needs root: without it the loop stays a plain folder, and the test
# says so and skips.
execute_process(COMMAND umount -l "${FOLDER}/2024/loop" OUTPUT_QUIET ERROR_QUIET)
if(ACTION STREQUAL "remove")
  file(REMOVE_RECURSE "${FOLDER}")
  return()
endif()
file(REMOVE_RECURSE "${FOLDER}")
file(MAKE_DIRECTORY "${FOLDER}/2024/loop")
file(CREATE_LINK .. "${FOLDER}/2024/link" SYMBOLIC)
execute_process(COMMAND mount --bind "${FOLDER}" "${FOLDER}/2024/loop" OUTPUT_QUIET ERROR_QUIET)
