# The terminal form's message catalogues, one per language in po/, made by
# msgfmt into locale/LANG/LC_MESSAGES/ of the build folder (where the tests
# find them) and installed into the system's locale folder, where the
# library looks for them under its own text domain.
include(GNUInstallDirs)
set(INSTALL_TEXT_DOMAIN libinstall1)
set(INSTALL_CATALOGUE_BUILD_FOLDER ${CMAKE_BINARY_DIR}/locale)
find_program(INSTALL_MSGFMT msgfmt REQUIRED)
file(READ ${CMAKE_SOURCE_DIR}/po/LINGUAS install_languages)
string(REGEX REPLACE "[ \t\r\n]+" ";" install_languages "${install_languages}")
list(REMOVE_ITEM install_languages "")
set(install_catalogues)
foreach(language IN LISTS install_languages)
  set(folder ${INSTALL_CATALOGUE_BUILD_FOLDER}/${language}/LC_MESSAGES)
  set(catalogue ${folder}/${INSTALL_TEXT_DOMAIN}.mo)
  add_custom_command(OUTPUT ${catalogue}
                     COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
                     COMMAND ${INSTALL_MSGFMT} --check -o ${catalogue}
                             ${CMAKE_SOURCE_DIR}/po/${language}.po
                     DEPENDS ${CMAKE_SOURCE_DIR}/po/${language}.po VERBATIM)
  list(APPEND install_catalogues ${catalogue})
  install(FILES ${catalogue} DESTINATION ${CMAKE_INSTALL_LOCALEDIR}/${language}/LC_MESSAGES
          COMPONENT library)
endforeach()
add_custom_target(install_catalogues ALL DEPENDS ${install_catalogues})
target_compile_definitions(install_core PRIVATE INSTALL_TEXT_DOMAIN="${INSTALL_TEXT_DOMAIN}"
                           INSTALL_CATALOGUE_FOLDER="${CMAKE_INSTALL_FULL_LOCALEDIR}")
