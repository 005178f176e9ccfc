# What the Windows download holds: the program, a short text on its use and
# the toolkit's notice, which its licence asks for in every copy that links it.

set(POLYSKETCH_TOOLKIT_NOTICE "" CACHE FILEPATH "The toolkit's copyright and licence notice")
if(NOT EXISTS "${POLYSKETCH_TOOLKIT_NOTICE}")
  message(FATAL_ERROR "POLYSKETCH_TOOLKIT_NOTICE must name freeglut's COPYING file")
endif()

install(TARGETS polysketch RUNTIME DESTINATION .)
install(FILES docs/windows.txt DESTINATION . RENAME README.txt)
install(FILES "${POLYSKETCH_TOOLKIT_NOTICE}" DESTINATION . RENAME freeglut-COPYING.txt)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_FILE_NAME polysketch-${PROJECT_VERSION}-windows-x86_64)
set(CPACK_STRIP_FILES ON)
include(CPack)
