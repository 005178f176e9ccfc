# What a Unix install puts in place: the program, its manual in every
# language, the menu entry and the AppStream metadata with their
# translations, the icon and, where lintian needs it, the package's one
# lintian override; and the Debian package made from the very same rules.

include(GNUInstallDirs)
include(cmake/catalogues.cmake)

set(POLYSKETCH_APP_ID org.polysketch.Polysketch)

# Debian keeps manuals and changelogs compressed; -n leaves out the time
# stamp so that the same source gives the same package.
set(gzipped)
foreach(doc polysketch.1 changelog)
  add_custom_command(
    OUTPUT ${doc}.gz
    COMMAND gzip -9n -c ${CMAKE_CURRENT_SOURCE_DIR}/docs/${doc} > ${doc}.gz
    DEPENDS docs/${doc}
    VERBATIM)
  list(APPEND gzipped ${CMAKE_CURRENT_BINARY_DIR}/${doc}.gz)
endforeach()

# The manual in each language, from its catalogue; one that po4a finds less
# than whole is not written, and the build stops at it.
find_program(PO4A_TRANSLATE po4a-translate REQUIRED)
set(manual ${CMAKE_CURRENT_SOURCE_DIR}/docs/polysketch.1)
polysketch_manual_catalogues(${manual})
foreach(lang catalogue IN ZIP_LISTS POLYSKETCH_LINGUAS POLYSKETCH_MANUAL_CATALOGUES)
  add_custom_command(
    OUTPUT man/${lang}/polysketch.1.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory man/${lang}
    COMMAND ${PO4A_TRANSLATE} -f man -m ${manual} -M UTF-8 -p ${catalogue} -L UTF-8 -k 100
      -l man/${lang}/polysketch.1
    COMMAND gzip -9n -f man/${lang}/polysketch.1
    DEPENDS ${manual} ${catalogue}
    VERBATIM)
  list(APPEND gzipped ${CMAKE_CURRENT_BINARY_DIR}/man/${lang}/polysketch.1.gz)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/man/${lang}/polysketch.1.gz
    DESTINATION ${CMAKE_INSTALL_MANDIR}/${lang}/man1)
endforeach()
add_custom_target(gzipped_docs ALL DEPENDS ${gzipped})

# The menu entry and the metadata with every language's words. msgfmt finds
# the metadata's rules by the name AppStream gives them, in the folder that
# the catalogues' template was made with, before gettext's own.
add_custom_command(OUTPUT ${POLYSKETCH_APP_ID}.desktop
  COMMAND ${MSGFMT} --desktop --template=${POLYSKETCH_DESKTOP_IN}
    -d ${POLYSKETCH_CATALOGUES} -o ${POLYSKETCH_APP_ID}.desktop
  DEPENDS ${POLYSKETCH_DESKTOP_IN} ${POLYSKETCH_MERGED}
  VERBATIM)
get_filename_component(its_folder ${POLYSKETCH_METAINFO_ITS} DIRECTORY)
get_filename_component(gettext_data ${its_folder} DIRECTORY)
add_custom_command(OUTPUT ${POLYSKETCH_APP_ID}.metainfo.xml
  COMMAND ${CMAKE_COMMAND} -E env GETTEXTDATADIRS=${gettext_data}
    ${MSGFMT} --xml -L MetaInfo --template=${POLYSKETCH_METAINFO_IN}
    -d ${POLYSKETCH_CATALOGUES} -o ${POLYSKETCH_APP_ID}.metainfo.xml
  DEPENDS ${POLYSKETCH_METAINFO_IN} ${POLYSKETCH_MERGED} ${POLYSKETCH_METAINFO_ITS}
  VERBATIM)
add_custom_target(translated_data ALL
  DEPENDS ${POLYSKETCH_APP_ID}.desktop ${POLYSKETCH_APP_ID}.metainfo.xml)

install(TARGETS polysketch RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/polysketch.1.gz
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${POLYSKETCH_APP_ID}.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES data/${POLYSKETCH_APP_ID}.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${POLYSKETCH_APP_ID}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# Only a lintian that validates AppStream metadata (Debian 13's, not 12's)
# knows the overridden tag, and to any other an override of a tag it does
# not know is itself an error: the package carries it for the lintian of the
# release it is built on.
find_program(LINTIAN_EXPLAIN_TAGS lintian-explain-tags)
if(LINTIAN_EXPLAIN_TAGS)
  execute_process(COMMAND ${LINTIAN_EXPLAIN_TAGS} appstream-metadata-validation-failed
    RESULT_VARIABLE unknown_tag OUTPUT_QUIET ERROR_QUIET)
  if(NOT unknown_tag)
    install(FILES data/polysketch.lintian-overrides
      DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME polysketch)
  endif()
endif()
install(FILES docs/copyright ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_CONTACT "The polysketch authors <authors@polysketch.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "draw a polygon with the mouse and fill it")
set(CPACK_PACKAGE_DESCRIPTION
  "polysketch opens one white window in which a polygon is drawn with the
mouse, one vertex at a time: a left press starts a side, a rubber-band
line follows the pointer while the button is held, a release places a
vertex, and a middle or right press closes the outline and fills the
polygon in red.")
# A package holds the dependencies and the lintian override of the Debian
# release it is built on, so it is that release's: its version says which,
# as Debian's backports do, and 1.0~deb12 sorts before 1.0~deb13.
if(EXISTS /etc/os-release)
  file(STRINGS /etc/os-release os_release REGEX "^(VERSION_ID|VERSION_CODENAME)=")
  if(os_release MATCHES "VERSION_ID=\"?([0-9]+)")
    set(CPACK_DEBIAN_PACKAGE_VERSION ${PROJECT_VERSION}~deb${CMAKE_MATCH_1})
  elseif(os_release MATCHES "VERSION_CODENAME=([a-z]+)")
    # Testing has no number yet.
    set(CPACK_DEBIAN_PACKAGE_VERSION ${PROJECT_VERSION}~${CMAKE_MATCH_1})
  endif()
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE
  GROUP_READ GROUP_EXECUTE
  WORLD_READ WORLD_EXECUTE)
include(CPack)
