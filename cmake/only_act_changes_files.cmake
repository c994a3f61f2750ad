# Fails when code outside dupscan-tidy's acting floor (src/tidy/act/) and the platform layer that
# serves it changes files: includes the headers of the changes (entry_actions.h, durable_file.h),
# calls what they declare (renames, exchanges, removals, links, clones, folder syncs, durable
# writes, a holding subfolder made), or calls the system or the C++ library for such a change
# itself. So a reader knows where every change to the user's folders is made, and checks it there.
# dupscan's report, and dupscan-tidy's own output files (the page, a saved plan), are written whole
# through platform/report_file.h: output, never a change to a file the search listed; it is not in
# the list.
# Comments, character literals and strings are taken out first: the usage text names "remove".
# Usage: cmake -DSOURCE_DIR=<the repository> -P only_act_changes_files.cmake
cmake_minimum_required(VERSION 3.25)

set(change_headers platform/entry_actions\\.h platform/durable_file\\.h)
set(change_calls RenameWithoutReplacing ExchangeEntries RemoveFile RemoveEmptyFolder MakeHardLink ShareBlocks
    SyncFolder OpenDurable AppendDurably)
set(system_calls rename renameat renameat2 remove unlink unlinkat rmdir mkdir mkdirat link linkat
    symlink symlinkat truncate ftruncate copy_file_range open openat creat fopen _wfopen
    CreateFileW CreateHardLinkW CreateSymbolicLinkW CreateDirectoryW RemoveDirectoryW MoveFileW
    MoveFileExW DeleteFileW ReplaceFileW SetFileInformationByHandle DeviceIoControl)
string(JOIN "|" change_headers_pattern ${change_headers})
string(JOIN "|" calls_pattern ${change_calls} ${system_calls})

file(GLOB_RECURSE sources "${SOURCE_DIR}/src/*.h" "${SOURCE_DIR}/src/*.cpp")
set(found "")
set(read 0)
foreach(source IN LISTS sources)
  file(RELATIVE_PATH shown "${SOURCE_DIR}" "${source}")
  if(shown MATCHES "^src/(platform|tidy/act)/")
    continue()
  endif()
  math(EXPR read "${read} + 1")
  file(READ "${source}" code)
  if(code MATCHES "#include \"(${change_headers_pattern})\"")
    string(APPEND found "\n  ${shown}: includes ${CMAKE_MATCH_1}")
  endif()
  string(REGEX REPLACE "//[^\n]*" "" code "${code}")
  string(REGEX REPLACE "/\\*([^*]|\\*+[^*/])*\\*+/" "" code "${code}")
  string(REGEX REPLACE "'([^'\\\\\n]|\\\\.)+'" "''" code "${code}")
  string(REGEX REPLACE "\"([^\"\\\\\n]|\\\\.)*\"" "\"\"" code "${code}")
  # A call: the name alone or after std:: or ::, never a member (.open, ->remove) or a longer name.
  string(REGEX MATCHALL "(^|[^A-Za-z0-9_.>])(std::|::)?(${calls_pattern})[ \t\n]*\\(" calls
         "${code}")
  foreach(call IN LISTS calls)
    string(REGEX REPLACE "^[^A-Za-z_:]" "" call "${call}")
    string(REGEX REPLACE "[ \t\n]*\\($" "" call "${call}")
    string(APPEND found "\n  ${shown}: calls ${call}")
  endforeach()
  # A subfolder held with `create` true is a folder made.
  if(code MATCHES "HoldSubfolder[ \t\n]*\\([^;]*,[ \t\n]*true[ \t\n]*,")
    string(APPEND found "\n  ${shown}: makes a folder with HoldSubfolder")
  endif()
  if(code MATCHES "std::(filesystem|ofstream|fstream)|<(filesystem|fstream)>")
    string(APPEND found "\n  ${shown}: uses std::${CMAKE_MATCH_1}${CMAKE_MATCH_2}")
  endif()
endforeach()
include(${CMAKE_CURRENT_LIST_DIR}/rule_verdict.cmake)
rule_verdict(${read} "${found}" "only src/tidy/act/ (through src/platform/) changes files"
             "none of ${read} sources outside src/tidy/act/ and src/platform/ changes files")
