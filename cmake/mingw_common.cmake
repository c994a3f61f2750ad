# What both Windows cross builds share; the including file names the target in
# DUPSCAN_MINGW_PREFIX.

# The -posix compilers: with GCC 12 only their C++ runtime has std::thread and std::mutex. The C
# compiler too, since GoogleTest's project enables C.
set(CMAKE_C_COMPILER ${DUPSCAN_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${DUPSCAN_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${DUPSCAN_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${DUPSCAN_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# CTest runs every Windows test binary through this wrapper, which gives wine a prefix of its
# own inside the build folder: a prefix made before 32-bit wine was installed cannot run
# 32-bit programs, and the user's own prefix is none of the tests' business.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh ${CMAKE_BINARY_DIR}/wineprefix)
