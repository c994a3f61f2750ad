# Builds the page dupscan-tidy writes from its own files: page.html with page.css and the
# scripts put in place (the scripts one after another in one function, so they share its names
# and leave none behind), and a Content-Security-Policy that lets the page run its own style and script
# (by their SHA-256, computed here) and show local images, and nothing else. The page is cut at
# its data's place into the two texts the program writes around the data.
#
#   cmake -DPAGE_DIR=<folder of page.html> -DOUTPUT=<file.cpp> -DHEADER=<include of page_text.h>
#         [-DHTML_OUTPUT=<file.html>] -P embed_page.cmake
#
# OUTPUT is C++ defining what HEADER declares, kPageBeforeData and kPageAfterData; HTML_OUTPUT,
# when given, is the whole page with "@PAGE_DATA@" where the data goes, for looking at by hand.

# Base64 of the bytes a string of hex digits spells: CSP hashes are base64, CMake's are hex.
function(hex_to_base64 hex result)
  set(alphabet "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/")
  string(LENGTH "${hex}" length)
  set(text "")
  set(at 0)
  while(at LESS length)
    math(EXPR left "${length} - ${at}")
    if(left GREATER 6)
      set(left 6)
    endif()
    string(SUBSTRING "${hex}" ${at} ${left} chunk)
    # A short last chunk is padded with zero bits to 24 and ends in "=" for each missing byte.
    math(EXPR missing "(6 - ${left}) / 2")
    if(left LESS 6)
      math(EXPR zeroCount "6 - ${left}")
      string(REPEAT "0" ${zeroCount} zeros)
      string(APPEND chunk "${zeros}")
    endif()
    math(EXPR value "0x${chunk}")
    foreach(shift 18 12 6 0)
      math(EXPR index "(${value} >> ${shift}) & 63")
      string(SUBSTRING "${alphabet}" ${index} 1 letter)
      string(APPEND text "${letter}")
    endforeach()
    if(missing GREATER 0)
      string(LENGTH "${text}" textLength)
      math(EXPR keep "${textLength} - ${missing}")
      string(SUBSTRING "${text}" 0 ${keep} text)
      string(REPEAT "=" ${missing} padding)
      string(APPEND text "${padding}")
    endif()
    math(EXPR at "${at} + 6")
  endwhile()
  set(${result} "${text}" PARENT_SCOPE)
endfunction()

# The hash of the text, and of the text with CR LF line ends: Windows writes the page as text,
# where every line feed goes out as CR LF, and the hash is of the bytes the browser reads.
function(csp_hash text result)
  string(SHA256 hex "${text}")
  hex_to_base64("${hex}" base64)
  string(REPLACE "\n" "\r\n" crlfText "${text}")
  string(SHA256 crlfHex "${crlfText}")
  hex_to_base64("${crlfHex}" crlfBase64)
  set(${result} "'sha256-${base64}' 'sha256-${crlfBase64}'" PARENT_SCOPE)
endfunction()

# A C++ array of the text's bytes: any byte is safe there, as a string literal's escapes are not.
function(byte_array name text result)
  set(scratch "${OUTPUT}.${name}.bytes")
  file(WRITE "${scratch}" "${text}")
  file(READ "${scratch}" hex HEX)
  file(REMOVE "${scratch}")
  string(LENGTH "${hex}" hexLength)
  math(EXPR size "${hexLength} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  # ASCII only: Windows writes the page's text through its wide formatting, which keeps ASCII as
  # it is; any other byte would come out changed, and the policy's hashes would no longer fit.
  string(REGEX MATCH "0x[89a-f]" other "${bytes}")
  if(other)
    message(FATAL_ERROR "the page's files must be ASCII: write other characters as escapes")
  endif()
  # Twenty bytes to a line (CMake's expressions have no counted repeats).
  string(REPEAT "0x..," 20 line)
  string(REGEX REPLACE "(${line})" "\\1\n" bytes "${bytes}")
  set(${result} "const unsigned char ${name}[] = {\n${bytes}0};\nconst std::size_t ${name}Size = ${size};\n" PARENT_SCOPE)
endfunction()

file(READ "${PAGE_DIR}/page.html" html)
file(READ "${PAGE_DIR}/page.css" style)
# In this order: each uses only what the ones before it declare, and start.js starts the page.
set(script "(function () {\n'use strict';\n")
foreach(part text folders treemap list choose plan start)
  file(READ "${PAGE_DIR}/${part}.js" code)
  string(APPEND script "\n${code}")
endforeach()
string(APPEND script "\nstart();\n})();\n")

# Inline code ends at the first "</script" or "</style", whatever it means to the code.
string(TOLOWER "${script}" lowerScript)
string(TOLOWER "${style}" lowerStyle)
string(FIND "${lowerScript}" "</script" scriptEnd)
string(FIND "${lowerStyle}" "</style" styleEnd)
if(NOT scriptEnd EQUAL -1 OR NOT styleEnd EQUAL -1)
  message(FATAL_ERROR "a script or page.css holds a text that would end its element early")
endif()

csp_hash("${script}" scriptHash)
csp_hash("${style}" styleHash)
# img-src: the files beside the page (file: for a page opened from the disk, 'self' for one a
# local server serves). default-src 'none' refuses every connection, font and frame.
set(policy "default-src 'none'; script-src ${scriptHash}; style-src ${styleHash}; img-src 'self' file:; base-uri 'none'; form-action 'none'")

string(FIND "${html}" "@PAGE_DATA@" dataAt)
if(dataAt EQUAL -1)
  message(FATAL_ERROR "page.html has no @PAGE_DATA@")
endif()
string(SUBSTRING "${html}" 0 ${dataAt} before)
math(EXPR afterAt "${dataAt} + 11")
string(SUBSTRING "${html}" ${afterAt} -1 after)
string(REPLACE "@PAGE_POLICY@" "${policy}" before "${before}")
string(REPLACE "@PAGE_STYLE@" "${style}" before "${before}")
string(REPLACE "@PAGE_SCRIPT@" "${script}" after "${after}")

if(HTML_OUTPUT)
  file(WRITE "${HTML_OUTPUT}" "${before}@PAGE_DATA@${after}")
endif()
byte_array(kPageBeforeData "${before}" beforeArray)
byte_array(kPageAfterData "${after}" afterArray)
set(source "// Made by cmake/embed_page.cmake from the files of src/tidy/plan/page/; do not edit.\n#include \"${HEADER}\"\n\n${beforeArray}\n${afterArray}")
# Written only when it changed, so a build with nothing new compiles nothing.
set(current "")
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" current)
endif()
if(NOT current STREQUAL source)
  file(WRITE "${OUTPUT}" "${source}")
endif()
