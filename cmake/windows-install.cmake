# What the Windows downloads hold: the program, a short text on its use and
# the toolkit's notice, which its licence asks for in every copy that links it.
# The zip is CPack's; the installer's source and its summary information are
# made here, for scripts/windows.sh to build from the zip's own files.

set(POLYSKETCH_TOOLKIT_NOTICE "" CACHE FILEPATH "The toolkit's copyright and licence notice")
if(NOT EXISTS "${POLYSKETCH_TOOLKIT_NOTICE}")
  message(FATAL_ERROR "POLYSKETCH_TOOLKIT_NOTICE must name freeglut's COPYING file")
endif()

# The program as shipped, which scripts/windows.sh strips and, for a signed
# release, signs, so that nothing touches it after its signature.
install(PROGRAMS ${CMAKE_CURRENT_BINARY_DIR}/shipped/polysketch.exe DESTINATION .)
install(FILES docs/windows.txt DESTINATION . RENAME README.txt)
install(FILES "${POLYSKETCH_TOOLKIT_NOTICE}" DESTINATION . RENAME freeglut-COPYING.txt)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_FILE_NAME polysketch-${PROJECT_VERSION}-windows-x86_64)
include(CPack)

# The installer's codes come from the version, so that every build of one
# version is the same and each version replaces the one before.
set(POLYSKETCH_UPGRADE_CODE 6B1F3C52-2F0A-4C8E-9D43-7A5E0B8C1D21)
string(UUID POLYSKETCH_PRODUCT_CODE NAMESPACE ${POLYSKETCH_UPGRADE_CODE}
  NAME "product ${PROJECT_VERSION}" TYPE SHA1 UPPER)
string(UUID POLYSKETCH_PACKAGE_CODE NAMESPACE ${POLYSKETCH_UPGRADE_CODE}
  NAME "package ${PROJECT_VERSION}" TYPE SHA1 UPPER)
set(POLYSKETCH_DESCRIPTION "Draw a polygon with the mouse and fill it")
configure_file(cmake/polysketch.wxs.in polysketch.wxs @ONLY)
configure_file(cmake/summary.idt.in _SummaryInformation.idt @ONLY)
