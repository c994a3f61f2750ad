# Makes FOLDER/2024/loop a link to FOLDER: a folder that is its own ancestor, for the Windows
# programs' tests under wine, which cannot make such a link themselves. Made afresh on each run;
# the links are removed, never followed.
file(REMOVE_RECURSE "${FOLDER}")
file(MAKE_DIRECTORY "${FOLDER}/2024")
file(CREATE_LINK .. "${FOLDER}/2024/loop" SYMBOLIC)
