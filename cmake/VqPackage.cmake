# Installation into /usr and the Debian package (cpack, or the "package" target):
# vornax-qi_<version>_amd64.deb with the programs, the desktop entry and icon, the manual pages,
# the user guide, and dependencies taken from the shared libraries the programs use.
include(GNUInstallDirs)

set(VQ_PACKAGE_NAME vornax-qi)
set(VQ_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(VQ_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/${VQ_PACKAGE_NAME})
# Directories 0755 and files 0644 whatever the umask of the build.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

foreach(program vornax_qi vq-headsim vq-remote)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()
# The batch converter script, where the tree has one.
install(PROGRAMS ${PROJECT_SOURCE_DIR}/scripts/convert-archive DESTINATION ${CMAKE_INSTALL_BINDIR}
        OPTIONAL)

install(FILES ${VQ_PACKAGING_DIR}/vornax-qi.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${VQ_PACKAGING_DIR}/vornax-qi.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${VQ_PACKAGING_DIR}/copyright DESTINATION ${VQ_DOC_DIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/guide DESTINATION ${VQ_DOC_DIR} OPTIONAL
        FILES_MATCHING PATTERN "*.md" PATTERN "*.png")
# The settings dialogs' page, which the guide links to, beside it.
install(FILES ${PROJECT_SOURCE_DIR}/docs/dialogs.md DESTINATION ${VQ_DOC_DIR} OPTIONAL)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/dialogs DESTINATION ${VQ_DOC_DIR} OPTIONAL
        FILES_MATCHING PATTERN "*.png")

# Compressed without a time stamp, as Debian wants its documentation.
find_program(VQ_GZIP gzip REQUIRED)
set(VQ_DOC_BUILD ${PROJECT_BINARY_DIR}/doc)
file(MAKE_DIRECTORY ${VQ_DOC_BUILD})
add_custom_command(OUTPUT ${VQ_DOC_BUILD}/changelog.gz
                   COMMAND ${VQ_GZIP} -9n -c ${VQ_PACKAGING_DIR}/changelog > changelog.gz
                   DEPENDS ${VQ_PACKAGING_DIR}/changelog WORKING_DIRECTORY ${VQ_DOC_BUILD})
set(VQ_DOC_OUTPUTS ${VQ_DOC_BUILD}/changelog.gz)
install(FILES ${VQ_DOC_BUILD}/changelog.gz DESTINATION ${VQ_DOC_DIR})

# Manual pages: written once in scdoc, turned into man(7) pages at build time.
find_program(VQ_SCDOC scdoc)
set(VQ_MAN_PAGES vornax_qi vq-headsim vq-remote)
if(VQ_SCDOC)
  foreach(page ${VQ_MAN_PAGES})
    set(src ${PROJECT_SOURCE_DIR}/docs/man/${page}.1.scd)
    add_custom_command(OUTPUT ${VQ_DOC_BUILD}/${page}.1.gz
                       COMMAND ${VQ_SCDOC} < ${src} > ${page}.1
                       COMMAND ${VQ_GZIP} -9n -f ${page}.1
                       DEPENDS ${src} WORKING_DIRECTORY ${VQ_DOC_BUILD})
    list(APPEND VQ_DOC_OUTPUTS ${VQ_DOC_BUILD}/${page}.1.gz)
    install(FILES ${VQ_DOC_BUILD}/${page}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endforeach()
else()
  message(WARNING "scdoc not found (Debian: scdoc): the manual pages are not built")
endif()
add_custom_target(vq_docs ALL DEPENDS ${VQ_DOC_OUTPUTS})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${VQ_PACKAGE_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Vornax_Qi developers")
set(CPACK_PACKAGE_CONTACT "Vornax_Qi developers <developers@vornax-qi.example>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The camera: Qt Multimedia finds and reads it through the GStreamer Video4Linux source, which
# no shared library names (the program runs without it, the video items greyed).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "gstreamer1.0-plugins-good")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "multibeam imaging and profiling sonar operation")
# CPack puts the summary on the first line and indents the rest.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Vornax_Qi operates a multibeam imaging and profiling sonar head over
Ethernet: it forms the beams of every ping, shows the sonar picture in
sector, linear, perspective, profile and beam-test modes, detects the
seabed profile, records and plays back pings, converts recordings to
point, beam, XTF, CSV and georeferenced XYZ files, sends points and beams
as UDP datagrams and takes external control by UDP. GPS and sound-velocity
probes are read from serial ports.

The package also holds vq-headsim, a simulated sonar head for training and
testing, and vq-remote, a client of the UDP output and control.")
include(CPack)
