# Fails when a floor of dupscan-tidy includes a floor above it, or dupscan's own code includes
# dupscan-tidy's. The floors, from the ground up: src/tidy/ itself (its texts, options and exit
# statuses), report/ (reading and checking the report), plan/ (keep rules, the plan and its
# output), act/ (the only floor that changes files), driver/ (the command line and the commands).
# A floor includes its own files and those of the floors below it, never one above.
# Usage: cmake -DSOURCE_DIR=<the repository> -P tidy_floors_include_below.cmake
cmake_minimum_required(VERSION 3.25)

set(floors ground report plan act driver)

# The floor of a path below src/ ("tidy/plan/plan.h"); -1 when it is not dupscan-tidy's.
function(floor_of path result)
  if(path MATCHES "^tidy/([a-z_]+)/")
    list(FIND floors "${CMAKE_MATCH_1}" index)
    if(index LESS 1)
      set(index 99)  # a folder that is no floor
    endif()
  elseif(path MATCHES "^tidy/[^/]+$")
    set(index 0)
  else()
    set(index -1)
  endif()
  set(${result} ${index} PARENT_SCOPE)
endfunction()

file(GLOB_RECURSE sources "${SOURCE_DIR}/src/*.h" "${SOURCE_DIR}/src/*.cpp")
set(found "")
set(tidy_files 0)
foreach(source IN LISTS sources)
  file(RELATIVE_PATH path "${SOURCE_DIR}/src" "${source}")
  floor_of("${path}" floor)
  if(floor EQUAL 99)
    string(APPEND found "\n  src/${path} is in no floor")
  elseif(floor GREATER_EQUAL 0)
    math(EXPR tidy_files "${tidy_files} + 1")
  endif()
  file(STRINGS "${source}" includes REGEX "^#include \"tidy/")
  foreach(include IN LISTS includes)
    string(REGEX REPLACE "^#include \"([^\"]+)\".*" "\\1" included "${include}")
    floor_of("${included}" included_floor)
    if(floor LESS 0 OR included_floor GREATER floor)
      string(APPEND found "\n  src/${path} includes ${included}")
    endif()
  endforeach()
endforeach()
string(JOIN ", " order ${floors})
include(${CMAKE_CURRENT_LIST_DIR}/rule_verdict.cmake)
rule_verdict(${tidy_files} "${found}"
             "a floor includes only its own and the floors below it (${order})"
             "the ${tidy_files} files of src/tidy include only floors below their own")
