# The browser has no GL 1.1 and no window toolkit: this layer stands in for
# both (gl.js, with the pixel rules of raster.js, and toolkit.js), with
# Emscripten's GL and toolkit libraries left out so that nothing of theirs
# is linked in its place.

set(layer ${CMAKE_CURRENT_LIST_DIR})
add_library(OpenGL::GL INTERFACE IMPORTED)
target_include_directories(OpenGL::GL INTERFACE ${layer}/include)
target_link_options(OpenGL::GL INTERFACE
  "SHELL:--js-library ${layer}/raster.js"
  "SHELL:--js-library ${layer}/gl.js"
  "SHELL:--js-library ${layer}/toolkit.js"
  -sAUTO_JS_LIBRARIES=0 -sAUTO_NATIVE_LIBRARIES=0)
set_property(TARGET OpenGL::GL APPEND PROPERTY INTERFACE_LINK_DEPENDS
  ${layer}/raster.js ${layer}/gl.js ${layer}/toolkit.js)
add_library(GLUT::GLUT ALIAS OpenGL::GL)
