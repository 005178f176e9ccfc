# What the browser build installs: a static site of the page, the program's
# script and module, and its icon, for any web server or static host; and the
# same site as one zip, which unpacks into a folder of its own.

set_property(TARGET polysketch APPEND PROPERTY LINK_DEPENDS ${POLYSKETCH_WEB_DIR}/platform.js)
install(TARGETS polysketch RUNTIME DESTINATION .)
install(FILES $<TARGET_FILE_DIR:polysketch>/polysketch.wasm
  ${POLYSKETCH_WEB_DIR}/index.html
  ${PROJECT_SOURCE_DIR}/data/org.polysketch.Polysketch.svg
  DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_FILE_NAME polysketch-${PROJECT_VERSION}-web)
include(CPack)
