# What the browser build installs: a static site of the page, the program's
# script and module, the icons and what makes the page an app that works
# offline, for any web server or static host; and the same site as one zip,
# which unpacks into a folder of its own.

set_property(TARGET polysketch APPEND PROPERTY LINK_DEPENDS
  ${POLYSKETCH_WEB_DIR}/raster.js ${POLYSKETCH_WEB_DIR}/gl.js ${POLYSKETCH_WEB_DIR}/toolkit.js)

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

set(site_files ${POLYSKETCH_WEB_DIR}/index.html ${POLYSKETCH_WEB_DIR}/style.css
  ${POLYSKETCH_WEB_DIR}/keys.js ${POLYSKETCH_WEB_DIR}/page.js ${POLYSKETCH_WEB_DIR}/manifest.webmanifest ${svg}
  ${icons} $<TARGET_FILE:polysketch> $<TARGET_FILE_DIR:polysketch>/polysketch.wasm)
add_custom_command(OUTPUT service-worker.js
  COMMAND ${CMAKE_COMMAND} -DTEMPLATE=${POLYSKETCH_WEB_DIR}/service-worker.js.in
    -DOUTPUT=service-worker.js "-DFILES=$<JOIN:${site_files},|>" -P ${POLYSKETCH_WEB_DIR}/service-worker.cmake
  DEPENDS polysketch ${site_files} ${POLYSKETCH_WEB_DIR}/service-worker.js.in ${POLYSKETCH_WEB_DIR}/service-worker.cmake
  VERBATIM)
add_custom_target(site ALL DEPENDS service-worker.js ${icons})

install(FILES ${site_files} ${CMAKE_CURRENT_BINARY_DIR}/service-worker.js DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_FILE_NAME polysketch-${PROJECT_VERSION}-web)
include(CPack)
