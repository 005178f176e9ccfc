# The browser has no GL 1.1 and no window toolkit: the page's own layer,
# platform.js, stands in for both, with Emscripten's GL and toolkit libraries
# left out so that nothing of theirs is linked in its place.

set(POLYSKETCH_WEB_DIR ${CMAKE_CURRENT_LIST_DIR})

add_library(OpenGL::GL INTERFACE IMPORTED)
target_include_directories(OpenGL::GL INTERFACE ${POLYSKETCH_WEB_DIR}/include)
target_link_options(OpenGL::GL INTERFACE
  "SHELL:--js-library ${POLYSKETCH_WEB_DIR}/platform.js"
  -sAUTO_JS_LIBRARIES=0 -sAUTO_NATIVE_LIBRARIES=0)
add_library(GLUT::GLUT ALIAS OpenGL::GL)
