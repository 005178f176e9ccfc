# What the browser build installs: a static site of the page in every
# language of po/, as one file that carries its style, its scripts and the
# program's script and module; the icons and what makes the page an app that
# works offline, for any web server or static host; and the same site as
# one zip, which unpacks into a folder of its own.

include(cmake/catalogues.cmake)
set(page ${CMAKE_CURRENT_LIST_DIR})

# The program's script for a page alone, with no file system, no errno and
# only the hooks that page.js gives it: less to evaluate at the start. Its
# memory is what the program needs, a few static arrays and a small stack,
# not the 16 MiB that the browser would otherwise allocate and clear.
target_link_options(polysketch PRIVATE -sENVIRONMENT=web -sFILESYSTEM=0 -sSUPPORT_ERRNO=0
  -sTEXTDECODER=2 -sDYNAMIC_EXECUTION=0 -sTOTAL_STACK=16384 -sINITIAL_MEMORY=131072
  -sMALLOC=none "-sINCOMING_MODULE_JS_API=[canvas,thisProgram,instantiateWasm,onAbort]")

# The page's words in every language, checked whole by the catalogues.
find_program(NODE node REQUIRED)
set(words ${CMAKE_CURRENT_BINARY_DIR}/words)
add_custom_command(OUTPUT ${words}/index.html ${words}/language.js
  COMMAND ${CMAKE_COMMAND} -E make_directory ${words}
  COMMAND ${NODE} ${page}/words.mjs ${POLYSKETCH_WORDS} ${POLYSKETCH_CATALOGUES}
    ${page}/language.js.in ${page}/index.html.in ${words}
  DEPENDS ${page}/words.mjs ${POLYSKETCH_WORDS} ${POLYSKETCH_MERGED} ${POLYSKETCH_CATALOGUES}/LINGUAS
    ${page}/language.js.in ${page}/index.html.in
  VERBATIM)

# The page with all that it starts with in it, one request.
set(inlined ${page}/style.css ${words}/language.js ${page}/keys.js ${page}/page.js
  $<TARGET_FILE:polysketch> $<TARGET_FILE_DIR:polysketch>/polysketch.wasm)
add_custom_command(OUTPUT index.html
  COMMAND ${NODE} ${page}/inline.mjs ${words}/index.html index.html
    ${words} ${page} $<TARGET_FILE_DIR:polysketch>
  DEPENDS ${page}/inline.mjs ${words}/index.html polysketch ${inlined}
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

set(site_files ${CMAKE_CURRENT_BINARY_DIR}/index.html ${page}/manifest.webmanifest ${svg} ${icons})
add_custom_command(OUTPUT service-worker.js
  COMMAND ${CMAKE_COMMAND} -DTEMPLATE=${page}/service-worker.js.in
    -DOUTPUT=service-worker.js "-DFILES=$<JOIN:${site_files},|>" -P ${page}/service-worker.cmake
  DEPENDS ${site_files} ${page}/service-worker.js.in ${page}/service-worker.cmake
  VERBATIM)
add_custom_target(site ALL DEPENDS service-worker.js ${icons} index.html)

install(FILES ${site_files} ${CMAKE_CURRENT_BINARY_DIR}/service-worker.js DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_FILE_NAME polysketch-${PROJECT_VERSION}-web)
include(CPack)
