# Fails when a test outside tests/support/expected_texts.* types a text the program prints or
# writes: the tests keep one copy of those texts, so that a changed text fails a test and is
# mended in one place. The texts are read from src/output_texts.h: each literal piece between two
# printf conversions, without its leading and trailing tabs, spaces and line ends, when it is
# more than one word and at least as long as "File Size:": not a word any test might use.
# Usage: cmake -DSOURCE_DIR=<the repository> -P tests_type_no_output_text.cmake
cmake_minimum_required(VERSION 3.25)

file(READ "${SOURCE_DIR}/src/output_texts.h" texts)
# Comments and preprocessor lines name headers and quote texts; only definitions count.
string(REGEX REPLACE "//[^\n]*" "" texts "${texts}")
string(REGEX REPLACE "#[^\n]*" "" texts "${texts}")
string(REGEX MATCHALL "\"([^\"\\\\]|\\\\.)*\"" literals "${texts}")

set(pieces "")
foreach(literal IN LISTS literals)
  string(REGEX REPLACE "^\"(.*)\"$" "\\1" literal "${literal}")
  string(REGEX REPLACE "%[-+ #0-9.]*(ll|l)?[a-zA-Z%]?" ";" split "${literal}")
  foreach(piece IN LISTS split)
    string(REGEX REPLACE "^(\\\\[nt]| )+" "" piece "${piece}")
    string(REGEX REPLACE "(\\\\[nt]| )+$" "" piece "${piece}")
    string(LENGTH "${piece}" length)
    if(length GREATER_EQUAL 10 AND piece MATCHES "[ :]")
      list(APPEND pieces "${piece}")
    endif()
  endforeach()
endforeach()
if(NOT pieces)
  message(FATAL_ERROR "no text found in src/output_texts.h")
endif()

file(GLOB_RECURSE sources "${SOURCE_DIR}/tests/*.cpp" "${SOURCE_DIR}/tests/*.h")
set(typed "")
foreach(source IN LISTS sources)
  if(source MATCHES "/tests/support/expected_texts\\.(h|cpp)$")
    continue()
  endif()
  file(READ "${source}" content)
  foreach(piece IN LISTS pieces)
    string(FIND "${content}" "${piece}" at)
    if(at GREATER_EQUAL 0)
      file(RELATIVE_PATH shown "${SOURCE_DIR}" "${source}")
      string(APPEND typed "\n  ${shown}: \"${piece}\"")
    endif()
  endforeach()
endforeach()
if(typed)
  message(FATAL_ERROR "tests type the program's texts; use tests/support/expected_texts.h:"
                      "${typed}")
endif()
list(LENGTH pieces count)
message(STATUS "no test types any of the program's ${count} texts")
