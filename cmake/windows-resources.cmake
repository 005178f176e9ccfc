# The Windows build's face: the project's icon, rendered at the sizes that
# Explorer, the title bar and the taskbar ask for, and the file's version
# properties, compiled into polysketch.exe.

enable_language(RC)

find_program(RSVG_CONVERT rsvg-convert REQUIRED)
find_program(ICOTOOL icotool REQUIRED)

set(POLYSKETCH_ICO ${CMAKE_CURRENT_BINARY_DIR}/polysketch.ico)
set(svg ${CMAKE_CURRENT_SOURCE_DIR}/data/org.polysketch.Polysketch.svg)
set(pngs)
foreach(size 16 24 32 48 256)
  set(png ${CMAKE_CURRENT_BINARY_DIR}/icon-${size}.png)
  add_custom_command(
    OUTPUT ${png}
    COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${svg}
    DEPENDS ${svg}
    VERBATIM)
  list(APPEND pngs ${png})
endforeach()
# The 256-pixel image goes in as PNG, as Windows expects at that size.
list(POP_BACK pngs large)
add_custom_command(
  OUTPUT ${POLYSKETCH_ICO}
  COMMAND ${ICOTOOL} -c -o ${POLYSKETCH_ICO} ${pngs} -r ${large}
  DEPENDS ${pngs} ${large}
  VERBATIM)

# Windows counts versions in four numbers.
set(POLYSKETCH_VERSION_NUMBERS ${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},0,0)
configure_file(cmake/polysketch.rc.in polysketch.rc @ONLY)
set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/polysketch.rc PROPERTIES
  OBJECT_DEPENDS ${POLYSKETCH_ICO})
target_sources(polysketch PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/polysketch.rc ${POLYSKETCH_ICO})
