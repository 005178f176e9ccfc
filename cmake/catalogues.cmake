# The catalogues under po/: each language's translation of the words of the
# menu entry, the metadata and the page, merged with the messages that the
# sources hold now and checked whole, so that a message left untranslated or
# fuzzy, or one that the sources have changed since, fails the build. The
# manual's catalogues, under po/man/, are po4a's and are merged and checked
# the same way by polysketch_manual_catalogues().
# Sets POLYSKETCH_LINGUAS, POLYSKETCH_CATALOGUES (the folder of merged
# catalogues, with its LINGUAS) and POLYSKETCH_MERGED (those catalogues).

find_program(MSGFMT msgfmt REQUIRED)
find_program(MSGATTRIB msgattrib REQUIRED)

# Fails unless every message of catalogue PO is translated and none fuzzy:
# msgattrib picks out the messages marked so, which reads the same in every
# builder's language, where msgfmt's statistics are worded in it. msgfmt
# still checks that each translation keeps its message's format.
function(polysketch_check_catalogue po)
  set(c_locale ${CMAKE_COMMAND} -E env LC_ALL=C)
  execute_process(COMMAND ${c_locale} ${MSGFMT} --check -o /dev/null ${po}
    RESULT_VARIABLE failed ERROR_VARIABLE problems)
  if(failed)
    message(FATAL_ERROR "${po}: ${problems}")
  endif()
  foreach(marked --untranslated --only-fuzzy)
    execute_process(COMMAND ${c_locale} ${MSGATTRIB} ${marked} --no-obsolete ${po}
      RESULT_VARIABLE failed OUTPUT_VARIABLE found ERROR_VARIABLE problems)
    if(failed OR NOT found STREQUAL "")
      message(FATAL_ERROR "${po}: messages untranslated or fuzzy, and a fuzzy one is as good as none:\n${problems}${found}")
    endif()
  endforeach()
endfunction()
if(CMAKE_SCRIPT_MODE_FILE)
  polysketch_check_catalogue(${PO})
  return()
endif()

find_program(XGETTEXT xgettext REQUIRED)
find_program(MSGMERGE msgmerge REQUIRED)

set(POLYSKETCH_PO ${PROJECT_SOURCE_DIR}/po)
set(POLYSKETCH_CATALOGUES ${CMAKE_BINARY_DIR}/po)
# LINGUAS as gettext reads it: a '#' starts a comment that runs to the
# line's end, and the names are separated by spaces, tabs and line ends,
# several to a line or none.
file(READ ${POLYSKETCH_PO}/LINGUAS linguas)
string(REGEX REPLACE "#[^\n]*" "" linguas "${linguas}")
string(REGEX MATCHALL "[^ \t\r\n]+" POLYSKETCH_LINGUAS "${linguas}")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${POLYSKETCH_PO}/LINGUAS)
# msgfmt reads the build's copy, and would take a comment after a name for
# more names: the copy has the names alone, one to a line.
list(JOIN POLYSKETCH_LINGUAS "\n" linguas)
file(CONFIGURE OUTPUT ${POLYSKETCH_CATALOGUES}/LINGUAS CONTENT "${linguas}\n" @ONLY)

set(POLYSKETCH_DESKTOP_IN ${PROJECT_SOURCE_DIR}/data/org.polysketch.Polysketch.desktop.in)
set(POLYSKETCH_METAINFO_IN ${PROJECT_SOURCE_DIR}/data/org.polysketch.Polysketch.metainfo.xml.in)
set(POLYSKETCH_WORDS ${PROJECT_SOURCE_DIR}/web/page/words.js)
# What of the metadata is translated is AppStream's own rule, which Debian's
# appstream package installs where the system's gettext looks for such
# rules, and those of Debian 12 and 13 take the same texts, the names
# marked translate="no" left out. gettext's own rules take no release notes.
get_filename_component(gettext_prefix ${XGETTEXT} DIRECTORY)
get_filename_component(gettext_prefix ${gettext_prefix} DIRECTORY)
find_file(POLYSKETCH_METAINFO_ITS metainfo.its PATHS ${gettext_prefix}/share/gettext/its
  NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)

# Merges po/DIR/LANG.po with the template POT into the build's catalogue of
# the same name, and checks it; appends each to OUT.
function(polysketch_merge dir pot out)
  set(merged)
  foreach(lang IN LISTS POLYSKETCH_LINGUAS)
    set(source ${POLYSKETCH_PO}/${dir}${lang}.po)
    set(catalogue ${POLYSKETCH_CATALOGUES}/${dir}${lang}.po)
    add_custom_command(OUTPUT ${catalogue}
      COMMAND ${MSGMERGE} --quiet --no-fuzzy-matching --no-location -o ${catalogue} ${source} ${pot}
      COMMAND ${CMAKE_COMMAND} -DPO=${catalogue} -P ${PROJECT_SOURCE_DIR}/cmake/catalogues.cmake
      DEPENDS ${source} ${pot} ${PROJECT_SOURCE_DIR}/cmake/catalogues.cmake
      VERBATIM)
    list(APPEND merged ${catalogue})
  endforeach()
  set(${out} ${merged} PARENT_SCOPE)
endfunction()

# Brings po/DIR/LANG.po up to date with the template POT, in the source
# tree, when the target update_catalogues is built: for whoever changes the
# English. A message whose English has changed comes back fuzzy, beside its
# former English, for its translators to look at; until they have, the build
# refuses it.
add_custom_target(update_catalogues)
function(polysketch_update what dir pot)
  set(updates)
  foreach(lang IN LISTS POLYSKETCH_LINGUAS)
    list(APPEND updates COMMAND ${MSGMERGE} --quiet --update --backup=none --previous --no-location
      ${POLYSKETCH_PO}/${dir}${lang}.po ${pot})
  endforeach()
  add_custom_target(update_${what}_catalogues ${updates} DEPENDS ${pot} VERBATIM)
  add_dependencies(update_catalogues update_${what}_catalogues)
endfunction()

# Of the menu entry, only the generic name, comment and keywords are offered
# for translation; its name stays, and is in no catalogue. The comment just
# above a message in its source goes with it to the translators.
set(pot ${POLYSKETCH_CATALOGUES}/polysketch.pot)
set(xgettext ${XGETTEXT} --from-code=UTF-8 --add-comments --package-name=polysketch
  --package-version=${PROJECT_VERSION})
add_custom_command(OUTPUT ${pot}
  COMMAND ${xgettext} -L Desktop --keyword --keyword=GenericName --keyword=Comment
    --keyword=Keywords -o ${pot} ${POLYSKETCH_DESKTOP_IN}
  COMMAND ${xgettext} -j --its=${POLYSKETCH_METAINFO_ITS} -o ${pot} ${POLYSKETCH_METAINFO_IN}
  COMMAND ${xgettext} -j -L JavaScript -k -k_ -kp_:1c,2 -o ${pot} ${POLYSKETCH_WORDS}
  DEPENDS ${POLYSKETCH_DESKTOP_IN} ${POLYSKETCH_METAINFO_IN} ${POLYSKETCH_WORDS} ${POLYSKETCH_METAINFO_ITS}
  WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
  VERBATIM)
polysketch_merge("" ${pot} POLYSKETCH_MERGED)
polysketch_update(words "" ${pot})

# The manual's catalogues, merged with the template that po4a makes of the
# manual as it is now; sets POLYSKETCH_MANUAL_CATALOGUES.
function(polysketch_manual_catalogues manual)
  find_program(PO4A_UPDATEPO po4a-updatepo REQUIRED)
  file(MAKE_DIRECTORY ${POLYSKETCH_CATALOGUES}/man)
  set(pot ${POLYSKETCH_CATALOGUES}/man/polysketch.pot)
  add_custom_command(OUTPUT ${pot}
    COMMAND ${PO4A_UPDATEPO} -f man -m ${manual} -M UTF-8 -p ${pot}
    DEPENDS ${manual}
    VERBATIM)
  polysketch_merge("man/" ${pot} merged)
  polysketch_update(manual "man/" ${pot})
  set(POLYSKETCH_MANUAL_CATALOGUES ${merged} PARENT_SCOPE)
endfunction()
