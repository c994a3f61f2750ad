# What ships beside the program: on Linux the manual page. Its version comes from project().

if(WIN32)
  return()
endif()

include(GNUInstallDirs)

# The release date: SOURCE_DATE_EPOCH when set, so one commit can always give the same dates.
string(TIMESTAMP DUPSCAN_RELEASE_DATE "%Y-%m-%d" UTC)

configure_file(${PROJECT_SOURCE_DIR}/docs/dupscan.1 dupscan.1 @ONLY)
# Manual pages compressed at gzip's best, with no name or time inside (-n), so that rebuilding
# gives the same bytes.
add_custom_command(
  OUTPUT dupscan.1.gz
  COMMAND gzip -9nkf dupscan.1
  DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/dupscan.1
  WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
  VERBATIM)
add_custom_target(dupscan_docs ALL DEPENDS dupscan.1.gz)

install(FILES ${CMAKE_CURRENT_BINARY_DIR}/dupscan.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
