# What ships beside the programs: the Windows programs' version resource; on Linux the manual
# pages, the user's README, bash completion, the documents Debian asks for and the Debian package
# through CPack. Versions come from project(), the copyright line and the license text from
# LICENSE, the programs from packaging/programs; nothing here repeats them.

file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE DUPSCAN_COPYRIGHT REGEX "^Copyright " LIMIT_COUNT 1)
if(NOT DUPSCAN_COPYRIGHT)
  message(FATAL_ERROR "LICENSE has no Copyright line")
endif()

if(WIN32)
  # Explorer's Properties show the product, the description, the versions and the copyright.
  enable_language(RC)
  foreach(program IN ITEMS DUPSCAN DUPSCAN_TIDY)
    set(DUPSCAN_RC_PROGRAM ${${program}_PROGRAM})
    if(program STREQUAL "DUPSCAN")
      set(DUPSCAN_RC_DESCRIPTION "dupscan: finds duplicate files")
    else()
      set(DUPSCAN_RC_DESCRIPTION "dupscan-tidy: acts safely on dupscan's report")
    endif()
    configure_file(${CMAKE_CURRENT_LIST_DIR}/dupscan.rc.in ${DUPSCAN_RC_PROGRAM}.rc @ONLY)
    target_sources(${DUPSCAN_RC_PROGRAM} PRIVATE
                   ${CMAKE_CURRENT_BINARY_DIR}/${DUPSCAN_RC_PROGRAM}.rc)
  endforeach()
  return()
endif()

include(GNUInstallDirs)
file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/programs DUPSCAN_PACKAGED_PROGRAMS REGEX "^[^#]")

# The project has no address or home page of its own, so none is made up: scripts/package names
# the committer of the commit it packages, who answers for that release, and there is no
# Homepage field. A distributor names themself here.
set(DUPSCAN_MAINTAINER "" CACHE STRING "Maintainer of the Debian package: name <address>")
# The release date: SOURCE_DATE_EPOCH when set (scripts/package sets the last commit's time), so
# one commit always gives the same dates, and the same package.
string(TIMESTAMP DUPSCAN_RELEASE_DATE "%Y-%m-%d" UTC)
string(TIMESTAMP DUPSCAN_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)

# Debian's copyright file in its machine-readable form: the holders from the copyright line, and
# the license's terms from LICENSE, each line indented by one space, " ." for an empty one.
string(REGEX REPLACE "^Copyright \\(c\\) " "" DUPSCAN_COPYRIGHT_HOLDERS "${DUPSCAN_COPYRIGHT}")
file(READ ${PROJECT_SOURCE_DIR}/LICENSE license)
string(FIND "${license}" "${DUPSCAN_COPYRIGHT}" copyright_at)
string(LENGTH "${DUPSCAN_COPYRIGHT}" copyright_length)
math(EXPR terms_at "${copyright_at} + ${copyright_length}")
string(SUBSTRING "${license}" ${terms_at} -1 terms)
string(STRIP "${terms}" terms)
string(REGEX REPLACE "\n\n" "\n.\n" terms "${terms}")
string(REGEX REPLACE "\n" "\n " DUPSCAN_LICENSE_PARAGRAPH " ${terms}")

# xxHash's header is compiled into the program, and its BSD license asks that binaries carry its
# notice: the header's first comment, taken as it stands, goes into the copyright file and into
# xxhash-license.txt (which scripts/package puts in the Windows zip).
file(READ ${DUPSCAN_XXHASH_DIR}/xxhash.h xxhash_header)
string(FIND "${xxhash_header}" "\n */" comment_end)
string(SUBSTRING "${xxhash_header}" 0 ${comment_end} xxhash_notice)
string(REGEX REPLACE "^/\\*\n" "" xxhash_notice "${xxhash_notice}")
string(REGEX REPLACE "(^|\n) \\* ?" "\\1" xxhash_notice "${xxhash_notice}")
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/xxhash-license.txt "${xxhash_notice}\n")
string(REGEX MATCH "Copyright \\(C\\) ([^\n]+)" xxhash_copyright "${xxhash_notice}")
if(NOT xxhash_copyright)
  message(FATAL_ERROR "xxhash.h: no Copyright line in its first comment")
endif()
set(DUPSCAN_XXHASH_HOLDERS "${CMAKE_MATCH_1}")
string(FIND "${xxhash_notice}" "Redistribution" terms_at)
string(FIND "${xxhash_notice}" "SUCH DAMAGE." terms_end)
math(EXPR terms_length "${terms_end} + 12 - ${terms_at}")
string(SUBSTRING "${xxhash_notice}" ${terms_at} ${terms_length} xxhash_terms)
string(REGEX REPLACE "\n\n" "\n.\n" xxhash_terms "${xxhash_terms}")
string(REGEX REPLACE "\n" "\n " DUPSCAN_XXHASH_LICENSE_PARAGRAPH " ${xxhash_terms}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/copyright.in copyright @ONLY)

# Each program's manual page, with the version and the date filled in.
set(manual_pages "")
foreach(program IN LISTS DUPSCAN_PACKAGED_PROGRAMS)
  configure_file(${PROJECT_SOURCE_DIR}/docs/${program}.1 ${program}.1 @ONLY)
  list(APPEND manual_pages ${program}.1)
endforeach()
list(TRANSFORM manual_pages APPEND .gz OUTPUT_VARIABLE compressed_pages)
list(TRANSFORM manual_pages PREPEND ${CMAKE_CURRENT_BINARY_DIR}/ OUTPUT_VARIABLE page_paths)
configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog.in changelog @ONLY)
# Debian wants manual pages and changelogs compressed at gzip's best, with no name or time inside
# (-n), so that rebuilding gives the same bytes.
add_custom_command(
  OUTPUT ${compressed_pages} changelog.gz
  COMMAND gzip -9nkf ${manual_pages} changelog
  DEPENDS ${page_paths} ${CMAKE_CURRENT_BINARY_DIR}/changelog
  WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
  VERBATIM)
add_custom_target(dupscan_docs ALL DEPENDS ${compressed_pages} changelog.gz)

list(TRANSFORM compressed_pages PREPEND ${CMAKE_CURRENT_BINARY_DIR}/)
install(FILES ${compressed_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# The user's README, not the developers' README.md, which stays with the source.
install(FILES ${PROJECT_SOURCE_DIR}/docs/user-readme.txt DESTINATION ${CMAKE_INSTALL_DOCDIR}
        RENAME README)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/copyright ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
# The saved plan's format, for programs that write plans for dupscan-tidy apply --plan.
install(FILES ${PROJECT_SOURCE_DIR}/docs/plan-format.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
# Each program's bash completion, where bash-completion looks for a command's completion when
# it is first completed.
foreach(program IN LISTS DUPSCAN_PACKAGED_PROGRAMS)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/${program}.bash-completion
          DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME ${program})
endforeach()

# cpack -G DEB in the build folder: dupscan_<version>_<architecture>.deb.
set(CPACK_PACKAGE_NAME dupscan)
set(CPACK_PACKAGE_VENDOR "the dupscan authors")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "find duplicate files")
# The long description: lines under 80 characters, as Debian's tools show it on a terminal.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "dupscan walks the given folders, groups their files by exact size,\n"
    "fingerprints every file whose size another file shares (an MD5 digest of\n"
    "its head and tail) and confirms every match by comparing the two files\n"
    "byte for byte. It writes each group of identical files, and the empty\n"
    "files, to duplicates.txt in the working directory. It never deletes,\n"
    "moves or changes a file; symbolic links, FIFOs, sockets and devices are\n"
    "skipped.\n"
    "dupscan-tidy reads that report, checks every group on the disk again, and\n"
    "removes, hard-links, reflinks or moves the extra copies, only inside the\n"
    "folders it is given, each pair compared byte for byte right before, never\n"
    "the last copy; every step is journalled, and moves can be undone.")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/strip_sections.cmake)
set(CPACK_DUPSCAN_PROGRAMS ${DUPSCAN_PACKAGED_PROGRAMS})
set(CPACK_DUPSCAN_OBJCOPY ${CMAKE_OBJCOPY})
# The folders' modes, and those of the .deb's parts, come from the umask CPack runs with:
# scripts/package-deb packs with 022, whoever calls it.
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${DUPSCAN_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Depends: computed from the binary by dpkg-shlibdeps (dpkg-dev).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
