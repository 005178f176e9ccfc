# What the browser build installs: a static site of the page in every
# language of po/, the program's script and module, the icons and what makes
# the page an app that works offline, for any web server or static host;
# and the same site as one zip, which unpacks into a folder of its own.

include(cmake/catalogues.cmake)
set(page ${CMAKE_CURRENT_LIST_DIR})

# The page's words in every language, checked whole by the catalogues.
find_program(NODE node REQUIRED)
add_custom_command(OUTPUT index.html language.js
  COMMAND ${NODE} ${page}/words.mjs ${POLYSKETCH_WORDS} ${POLYSKETCH_CATALOGUES}
    ${page}/language.js.in ${page}/index.html.in ${CMAKE_CURRENT_BINARY_DIR}
  DEPENDS ${page}/words.mjs ${POLYSKETCH_WORDS} ${POLYSKETCH_MERGED} ${POLYSKETCH_CATALOGUES}/LINGUAS
    ${page}/language.js.in ${page}/index.html.in
  VERBATIM)

# The icons that an installed app shows, in the sizes that browsers ask for.
find_program(RSVG_CONVERT rsvg-convert REQUIRED)
set(svg ${PROJECT_SOURCE_DIR}/data/org.polysketch.Polysketch.svg)
set(icons)
foreach(size 192 512)
  add_custom_command(OUTPUT icon-${size}.png
    COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o icon-${size}.png ${svg}
    DEPENDS ${svg}
    VERBATIM)
  list(APPEND icons ${CMAKE_CURRENT_BINARY_DIR}/icon-${size}.png)
endforeach()

set(site_files ${CMAKE_CURRENT_BINARY_DIR}/index.html ${CMAKE_CURRENT_BINARY_DIR}/language.js
  ${page}/style.css ${page}/keys.js ${page}/page.js ${page}/manifest.webmanifest ${svg}
  ${icons} $<TARGET_FILE:polysketch> $<TARGET_FILE_DIR:polysketch>/polysketch.wasm)
add_custom_command(OUTPUT service-worker.js
  COMMAND ${CMAKE_COMMAND} -DTEMPLATE=${page}/service-worker.js.in
    -DOUTPUT=service-worker.js "-DFILES=$<JOIN:${site_files},|>" -P ${page}/service-worker.cmake
  DEPENDS polysketch ${site_files} ${page}/service-worker.js.in ${page}/service-worker.cmake
  VERBATIM)
add_custom_target(site ALL DEPENDS service-worker.js ${icons} index.html language.js)

install(FILES ${site_files} ${CMAKE_CURRENT_BINARY_DIR}/service-worker.js DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_FILE_NAME polysketch-${PROJECT_VERSION}-web)
include(CPack)
