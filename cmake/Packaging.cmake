# What `cmake --install` puts where, beside the programs (each program's own
# folder installs it into bin/): the README and the example files, a man page
# for each program made from its --help, and the Debian package that
# `cpack -G DEB` (scripts/package) builds from all of it.
include(GNUInstallDirs)
set(TAVRION_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/tavrion)
find_program(GZIP gzip)

# Who answers for the package: its Maintainer field, the changelog's
# signature and the copyright's contact. Debian's DEBFULLNAME and DEBEMAIL
# give the default when they are set.
if(DEFINED ENV{DEBEMAIL} AND DEFINED ENV{DEBFULLNAME})
  set(maintainer_default "$ENV{DEBFULLNAME} <$ENV{DEBEMAIL}>")
else()
  set(maintainer_default "Tavrion developers <tavrion@example.org>")
endif()
set(TAVRION_MAINTAINER "${maintainer_default}" CACHE STRING
  "The package's maintainer, \"Name <address>\"")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)

# The documentation as Debian's policy asks: the README, its changelog and
# the copyright, the larger texts compressed (gzip -9n: no name, no time, so
# two builds give the same bytes).
set(doc_build ${CMAKE_BINARY_DIR}/doc)
file(MAKE_DIRECTORY ${doc_build})
configure_file(docs/debian/copyright.in ${doc_build}/copyright @ONLY)
configure_file(docs/debian/changelog.Debian.in ${doc_build}/changelog.Debian @ONLY)
set(doc_compressed)
foreach(text ${CMAKE_CURRENT_SOURCE_DIR}/README.md ${doc_build}/changelog.Debian)
  get_filename_component(name ${text} NAME)
  add_custom_command(OUTPUT ${doc_build}/${name}.gz
    COMMAND ${GZIP} -9nc ${text} > ${doc_build}/${name}.gz
    DEPENDS ${text}
    COMMENT "Compressing ${name}"
    VERBATIM)
  list(APPEND doc_compressed ${doc_build}/${name}.gz)
endforeach()
# The README's reference pages, beside the pictures it shows.
file(GLOB reference_pages ${CMAKE_CURRENT_SOURCE_DIR}/docs/*.md)
foreach(text ${reference_pages})
  get_filename_component(name ${text} NAME)
  add_custom_command(OUTPUT ${doc_build}/docs/${name}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${doc_build}/docs
    COMMAND ${GZIP} -9nc ${text} > ${doc_build}/docs/${name}.gz
    DEPENDS ${text}
    COMMENT "Compressing docs/${name}"
    VERBATIM)
  list(APPEND reference_compressed ${doc_build}/docs/${name}.gz)
endforeach()
add_custom_target(package-docs ALL DEPENDS ${doc_compressed} ${reference_compressed})
install(FILES ${doc_compressed} ${doc_build}/copyright DESTINATION ${TAVRION_DOC_DIR})
install(FILES ${reference_compressed} docs/tavrion-web.png DESTINATION ${TAVRION_DOC_DIR}/docs)
install(FILES docs/debian/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
  RENAME tavrion)
install(FILES docs/tavrion-window.png DESTINATION ${TAVRION_DOC_DIR}/docs)
install(DIRECTORY docs/figures DESTINATION ${TAVRION_DOC_DIR}/docs)
install(DIRECTORY config/ DESTINATION ${TAVRION_DOC_DIR}/config)
# The unit template that runs a station without a window as a service.
if(TARGET tavrion)
  install(FILES app/service/tavrion@.service DESTINATION lib/systemd/system)
endif()

# Man pages from each program's --help and --version.
find_program(HELP2MAN help2man)
set(man_names
  tavrion "visual-interface station of a flight simulator for Google Earth"
  visim "simulator stand-in writing the visual-interface shared segment"
  viewsync-monitor "ViewSync receiver that checks and counts the station's datagrams"
  tavrion-ctl "steer a Tavrion station through its control socket"
  tavrion-web "the operator's page of the Tavrion stations of this machine")
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
            --include=${CMAKE_CURRENT_SOURCE_DIR}/docs/man/${program}.h2m
            --output=${page} $<TARGET_FILE:${program}>
    COMMAND ${GZIP} -9nf ${page}
    DEPENDS ${program} ${CMAKE_CURRENT_SOURCE_DIR}/docs/man/${program}.h2m
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
set(CPACK_PACKAGE_CONTACT "${TAVRION_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "visual-interface station of a flight simulator for Google Earth")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Reads the eye point that a flight simulator publishes in shared memory and\n\
sends it thirty times a second to Google Earth as ViewSync datagrams, with the\n\
operator's view choice and per-airport ground-datum trims. Includes visim, a\n\
simulator stand-in, viewsync-monitor, a receiver that checks the datagrams,\n\
tavrion-ctl, which steers a station through its control socket, and\n\
tavrion-web, the operator's page of the stations for a browser or tablet.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The maintainer scripts make the stations' and the page's system users and
# the page's token (adduser); the shared libraries' packages are added to
# this by dpkg-shlibdeps.
if(TARGET tavrion-web)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "adduser")
  set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${CMAKE_CURRENT_SOURCE_DIR}/docs/debian/postinst ${CMAKE_CURRENT_SOURCE_DIR}/docs/debian/postrm)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
endif()
# Stripped programs, without the compiler's .comment and .note sections
# either (as Debian's own packages are): a stripping install (CPack's,
# cmake --install --strip) does it after the programs are in place.
set(CPACK_STRIP_FILES ON)
set(stripped_programs)
foreach(program tavrion visim viewsync-monitor tavrion-ctl tavrion-web)
  if(TARGET ${program})
    list(APPEND stripped_programs ${program})
  endif()
endforeach()
install(CODE "
  if(CMAKE_INSTALL_DO_STRIP)
    foreach(program ${stripped_programs})
      execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
        --strip-unneeded \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/\${program}\")
    endforeach()
  endif()")
include(CPack)
