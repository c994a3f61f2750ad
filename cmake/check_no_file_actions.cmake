# dupscan only reads: its binary must hold none of the changes dupscan-tidy makes to folders,
# neither the system calls (renames that exchange or refuse to replace, removals relative to a
# held folder or of folders, new folders, hard and symbolic links, Windows' removal through a
# handle) nor the functions that make them. Its own report needs one rename and one removal of its
# temporary, and on Linux the link that names an unnamed one: rename, unlink and linkat,
# MoveFileExW and DeleteFileW are not in the list. Nor is ioctl: the walk asks each folder's
# generation number with one (FS_IOC_GETVERSION, a read); FIDEDUPERANGE's is found by the function that
# makes it, ShareBlocks. Run on dupscan-tidy with
# -DEXPECT=present, it shows the symbols are there to be found. nm lists a Windows program's
# imports too (CreateHardLinkW, __imp_CreateHardLinkW).
# Usage: cmake -DNM=<nm> -DPROGRAM=<program> [-DEXPECT=absent|present] -P check_no_file_actions.cmake
cmake_minimum_required(VERSION 3.25)
if(NOT EXPECT)
  set(EXPECT absent)
endif()

execute_process(COMMAND ${NM} ${PROGRAM} OUTPUT_VARIABLE symbols ERROR_VARIABLE errors
                RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR symbols STREQUAL "")
  message(FATAL_ERROR "${NM} could not list the symbols of ${PROGRAM}: ${errors}")
endif()

# Both platforms' system calls: a build names only its own, and dupscan-tidy has at least one.
set(system_calls renameat renameat2 unlinkat link symlink symlinkat mkdir mkdirat rmdir remove
    copy_file_range CreateHardLinkW CreateHardLinkA CreateSymbolicLinkW CreateDirectoryW
    RemoveDirectoryW MoveFileW MoveFileWithProgressW ReplaceFileW SetFileInformationByHandle
    DeviceIoControl)
set(own_functions MakeHardLink ShareBlocks ExchangeEntries RemoveFile RenameWithoutReplacing
    AppendDurably)
set(found "")
foreach(name IN LISTS system_calls)
  if(symbols MATCHES "[^A-Za-z0-9]${name}[^A-Za-z0-9_]")
    list(APPEND found ${name})
  endif()
endforeach()
# C++ names are mangled with their length before them: _Z12MakeHardLinkRK10HeldFolder...
foreach(name IN LISTS own_functions)
  string(LENGTH ${name} length)
  if(symbols MATCHES "[^0-9]${length}${name}")
    list(APPEND found ${name})
  endif()
endforeach()
if(EXPECT STREQUAL "absent" AND found)
  message(FATAL_ERROR "${PROGRAM} holds what changes folders: ${found}")
endif()
if(EXPECT STREQUAL "present" AND NOT found)
  message(FATAL_ERROR "${PROGRAM}: none of ${system_calls} ${own_functions} found by ${NM}")
endif()
message(STATUS "${PROGRAM}: ${EXPECT}: ${found}")
