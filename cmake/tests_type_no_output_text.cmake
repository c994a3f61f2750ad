# Fails when a test types a text a program prints or writes outside the tests' own copy of that
# program's texts (tests/support/expected_texts.* for dupscan, tidy_expected_texts.* for
# dupscan-tidy): the tests keep one copy of those texts, so that a changed text fails a test and
# is mended in one place. The texts are read from the program's text header (src/output_texts.h,
# src/tidy/tidy_texts.h): each literal piece between two printf conversions, without its leading
# and trailing tabs, spaces and line ends, when it is more than one word and at least as long as
# "File Size:": not a word any test might use. The tests' comments are not read.
# Usage: cmake -DSOURCE_DIR=<the repository> -P tests_type_no_output_text.cmake
cmake_minimum_required(VERSION 3.25)

# The pieces of the texts in `header`, into `result`.
function(text_pieces header result)
  file(READ "${SOURCE_DIR}/${header}" texts)
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
    message(FATAL_ERROR "no text found in ${header}")
  endif()
  set(${result} "${pieces}" PARENT_SCOPE)
endfunction()

file(GLOB_RECURSE sources "${SOURCE_DIR}/tests/*.cpp" "${SOURCE_DIR}/tests/*.h")
# Each copy may type what its own program says, even where the other program says it too (both
# say ": out of memory").
file(READ "${SOURCE_DIR}/src/output_texts.h" expected_texts_own)
file(READ "${SOURCE_DIR}/src/tidy/tidy_texts.h" tidy_expected_texts_own)
set(typed "")
set(count 0)
# Each program's text header and the name of the tests' copy of it.
foreach(program "src/output_texts.h|expected_texts" "src/tidy/tidy_texts.h|tidy_expected_texts")
  string(REPLACE "|" ";" program "${program}")
  list(GET program 0 header)
  list(GET program 1 copy)
  text_pieces("${header}" pieces)
  list(LENGTH pieces length)
  math(EXPR count "${count} + ${length}")
  foreach(source IN LISTS sources)
    if(source MATCHES "/tests/support/${copy}\\.(h|cpp)$")
      continue()
    endif()
    file(READ "${source}" content)
    # A comment may say what a test is about in the program's own words.
    string(REGEX REPLACE "//[^\n]*" "" content "${content}")
    string(REGEX MATCH "/tests/support/(tidy_expected_texts|expected_texts)\\.(h|cpp)$" other
           "${source}")
    foreach(piece IN LISTS pieces)
      if(other)
        string(FIND "${${CMAKE_MATCH_1}_own}" "${piece}" own)
        if(own GREATER_EQUAL 0)
          continue()
        endif()
      endif()
      string(FIND "${content}" "${piece}" at)
      if(at GREATER_EQUAL 0)
        file(RELATIVE_PATH shown "${SOURCE_DIR}" "${source}")
        string(APPEND typed "\n  ${shown}: \"${piece}\" (use tests/support/${copy}.h)")
      endif()
    endforeach()
  endforeach()
endforeach()
if(typed)
  message(FATAL_ERROR "tests type the programs' texts:${typed}")
endif()
message(STATUS "no test types any of the programs' ${count} texts")
