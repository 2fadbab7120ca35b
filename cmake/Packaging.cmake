# What `cmake --install` puts where, beside the programs (each program's own
# folder installs it into bin/): the README and the example files, a man page
# for each program made from its --help, and the Debian package that
# `cpack -G DEB` (scripts/package) builds from all of it.
include(GNUInstallDirs)
set(TAVRION_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/tavrion)
install(FILES README.md DESTINATION ${TAVRION_DOC_DIR})
install(FILES docs/tavrion-window.png DESTINATION ${TAVRION_DOC_DIR}/docs)
install(DIRECTORY config/ DESTINATION ${TAVRION_DOC_DIR}/config)
# The unit template that runs a station without a window as a service.
if(TARGET tavrion)
  install(FILES app/service/tavrion@.service DESTINATION lib/systemd/system)
endif()

# Man pages from each program's --help and --version.
find_program(HELP2MAN help2man)
find_program(GZIP gzip)
set(man_names
  tavrion "visual-interface station of a flight simulator for Google Earth"
  visim "simulator stand-in writing the visual-interface shared segment"
  viewsync-monitor "ViewSync receiver that checks and counts the station's datagrams")
set(man_pages)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/man)
while(man_names)
  list(POP_FRONT man_names program summary)
  if(NOT TARGET ${program})
    continue()
  endif()
  if(NOT HELP2MAN OR NOT GZIP)
    message(WARNING "help2man or gzip not found: no man page for ${program}")
    continue()
  endif()
  set(page ${CMAKE_BINARY_DIR}/man/${program}.1)
  add_custom_command(OUTPUT ${page}.gz
    COMMAND ${HELP2MAN} --no-info --no-discard-stderr --section=1 --name=${summary}
            --output=${page} $<TARGET_FILE:${program}>
    COMMAND ${GZIP} -9nf ${page}
    DEPENDS ${program}
    COMMENT "Man page of ${program}"
    VERBATIM)
  list(APPEND man_pages ${page}.gz)
endwhile()
if(man_pages)
  add_custom_target(man-pages ALL DEPENDS ${man_pages})
  install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

# The Debian package. Its run-time dependencies are read from the programs'
# shared libraries (dpkg-shlibdeps): the wx and toolkit libraries, never
# their -dev packages.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tavrion)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Tavrion developers <tavrion@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "visual-interface station of a flight simulator for Google Earth")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Reads the eye point that a flight simulator publishes in shared memory and\n\
sends it thirty times a second to Google Earth as ViewSync datagrams, with the\n\
operator's view choice and per-airport ground-datum trims. Includes visim, a\n\
simulator stand-in, and viewsync-monitor, a receiver that checks the datagrams.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
