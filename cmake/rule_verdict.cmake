# The end of a house-rules check: it fails when it read nothing (a check that reads nothing
# passes whatever the code does) or found what the rule forbids, each finding on a line of its own.
# Usage: include(rule_verdict.cmake) and rule_verdict(<files read> "<findings>" "<rule>" "<kept>")
function(rule_verdict read found rule kept)
  if(read EQUAL 0)
    message(FATAL_ERROR "no source read under ${SOURCE_DIR}/src")
  endif()
  if(found)
    message(FATAL_ERROR "${rule}:${found}")
  endif()
  message(STATUS "${kept}")
endfunction()
