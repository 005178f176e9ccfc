# The browser has no GL 1.1 and no window toolkit: the page's own layer
# stands in for both (gl.js, with the pixel rules of raster.js, and
# toolkit.js), with Emscripten's GL and toolkit libraries left out so that
# nothing of theirs is linked in its place.

set(POLYSKETCH_WEB_DIR ${CMAKE_CURRENT_LIST_DIR})

add_library(OpenGL::GL INTERFACE IMPORTED)
target_include_directories(OpenGL::GL INTERFACE ${POLYSKETCH_WEB_DIR}/include)
target_link_options(OpenGL::GL INTERFACE
  "SHELL:--js-library ${POLYSKETCH_WEB_DIR}/raster.js"
  "SHELL:--js-library ${POLYSKETCH_WEB_DIR}/gl.js"
  "SHELL:--js-library ${POLYSKETCH_WEB_DIR}/toolkit.js"
  -sAUTO_JS_LIBRARIES=0 -sAUTO_NATIVE_LIBRARIES=0)
add_library(GLUT::GLUT ALIAS OpenGL::GL)
