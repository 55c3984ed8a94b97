# The Debian package: `cpack -G DEB` in the build folder. Its dependencies
# come from dpkg-shlibdeps, so they follow the libraries the programs link.

set(debian_dir ${PROJECT_SOURCE_DIR}/resources/debian)
set(metainfo ${PROJECT_SOURCE_DIR}/resources/desktop/example.tarnwick.Vellumine.metainfo.xml)

# The release notes of the package and of the software centre name the
# version the build makes; a new version needs an entry in both.
file(STRINGS ${debian_dir}/changelog changelog_head LIMIT_COUNT 1)
if(NOT changelog_head MATCHES "^vellumine \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "resources/debian/changelog: the first entry must be version ${PROJECT_VERSION}")
endif()
file(READ ${metainfo} metainfo_text)
string(REGEX MATCH "<release version=\"[^\"]*\"" newest_release "${metainfo_text}")
if(NOT newest_release STREQUAL "<release version=\"${PROJECT_VERSION}\"")
  message(FATAL_ERROR "${metainfo}: the first release must be version ${PROJECT_VERSION}")
endif()

find_program(GZIP gzip)
set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/vellumine)
install(FILES ${debian_dir}/copyright DESTINATION ${doc_dir})
if(GZIP)
  set(changelog_gz ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz)
  add_custom_command(OUTPUT ${changelog_gz}
    COMMAND ${GZIP} -9nc ${debian_dir}/changelog > ${changelog_gz}
    DEPENDS ${debian_dir}/changelog)
  add_custom_target(changelog ALL DEPENDS ${changelog_gz})
  install(FILES ${changelog_gz} DESTINATION ${doc_dir})
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vellumine)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Tarnwick Software")
set(CPACK_PACKAGE_CONTACT "Tarnwick Software <vellumine@tarnwick.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "viewer and rescuer for Outlook Express mail stores")
# CPack puts the summary first and indents these lines; an empty line
# becomes the paragraph break " .".
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Vellumine opens the message store of Outlook Express 5 and 6 (folders.dbx
and one .dbx file per folder), lists its folders and messages, shows each
message as a page, prints it, saves it byte for byte as an .eml file and
exports it as HTML or text. The whole store can be migrated to mbox,
Maildir++ or an .eml tree and is read back to check that nothing was lost;
a full-text search covers every folder. The store is only read.

The package holds the window (vellumine, German user interface) and the
command-line tool vellumine-cli.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION mail)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://tarnwick.example/vellumine/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's own dialogs in German; the window works without them.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
include(CPack)
