# Fails when code of src/ outside src/tidy/ starts a thread or hands work to one: dupscan runs on
# one thread, so that a failure anywhere (an allocation, a signal) meets the one handler that
# ends the run cleanly. dupscan-tidy may use threads. Comments are left out, as they may name
# what they do not call. Each way of starting a thread below is first tried on an example of its
# use, so that a pattern that no longer matches fails here rather than pass everything.
# Usage: cmake -DSOURCE_DIR=<the repository> -P check_no_threads.cmake
cmake_minimum_required(VERSION 3.25)

# Pairs of a pattern and an example it must find.
set(ways
  "std::(j?thread|async)[^A-Za-z0-9_]" "std::thread reader(Read)"
  "#[ \t]*include[ \t]*<(thread|future|execution)>" "#include <future>"
  "pthread_create[ \t]*\\(" "pthread_create(&thread, nullptr, Run, nullptr)"
  "thrd_create[ \t]*\\(" "thrd_create(&thread, Run, nullptr)"
  "(^|[^A-Za-z0-9_])clone3?[ \t]*\\(" "clone(Run, stack, CLONE_THREAD, nullptr)"
  "CreateThread|CreateRemoteThread" "CreateThread(nullptr, 0, Run, nullptr, 0, nullptr)"
  "_beginthread" "_beginthreadex(nullptr, 0, Run, nullptr, 0, nullptr)"
  "QueueUserWorkItem|CreateThreadpool|TrySubmitThreadpoolCallback"
  "CreateThreadpoolWork(Run, nullptr, nullptr)"
  "#[ \t]*pragma[ \t]+omp" "#pragma omp parallel for")

set(patterns "")
list(LENGTH ways count)
math(EXPR last "${count} - 1")
foreach(index RANGE 0 ${last} 2)
  math(EXPR example_index "${index} + 1")
  list(GET ways ${index} pattern)
  list(GET ways ${example_index} example)
  if(NOT example MATCHES "${pattern}")
    message(FATAL_ERROR "the pattern ${pattern} misses its example: ${example}")
  endif()
  list(APPEND patterns "${pattern}")
endforeach()

file(GLOB_RECURSE sources RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/src/*.cpp" "${SOURCE_DIR}/src/*.h")
list(FILTER sources EXCLUDE REGEX "^src/tidy/")
list(LENGTH sources read)
set(found "")
foreach(source IN LISTS sources)
  file(READ "${SOURCE_DIR}/${source}" code)
  string(REGEX REPLACE "//[^\n]*" "" code "${code}")
  foreach(pattern IN LISTS patterns)
    string(REGEX MATCH "${pattern}" start "${code}")
    if(start)
      string(APPEND found "\n  ${source}: ${start}")
    endif()
  endforeach()
endforeach()
include(${CMAKE_CURRENT_LIST_DIR}/rule_verdict.cmake)
rule_verdict(${read} "${found}" "dupscan's code starts a thread (only src/tidy/ may)"
             "none of ${read} files outside src/tidy/ starts a thread")
