# SPDX-License-Identifier: GPL-3.0-or-later
# `cmake --install`: the program, its skins folder, the desktop entry, the icon, the software-centre
# metadata, the manual page and the package documents; and a Debian package of the same files
# through CPack (`cpack -G DEB` in the build folder).
install(TARGETS K4mgr RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The service's executable, which `K4mgr --service` runs, and its systemd unit (not enabled: the
# site enables it). The unit runs /usr/bin/K4mgr, where the package puts it.
install(TARGETS k4mgr-service RUNTIME DESTINATION ${K4_INSTALL_SERVICEDIR})
install(FILES ${PROJECT_SOURCE_DIR}/packaging/systemd/k4mgr.service
        DESTINATION lib/systemd/system)

# The skins that ship with the program are the bitmaps of app/SKINS (the same ones the build copies
# beside the program); the folder exists even if none did.
install(DIRECTORY DESTINATION ${K4_INSTALL_SKINSDIR})
file(GLOB k4_shipped_skins CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/app/SKINS/*.bmp)
install(FILES ${k4_shipped_skins} DESTINATION ${K4_INSTALL_SKINSDIR})

# The desktop entry and the metadata share one id, which software centres use to pair them.
set(K4_APP_ID org.example.k4mgr)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/${K4_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/${K4_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${PROJECT_SOURCE_DIR}/src/shell/resources/k4mgr.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/64x64/apps)

# The package's changelog names the version it describes first, and the manual page names it in
# its title line: a new version gets its entry and its title.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${PROJECT_SOURCE_DIR}/packaging/changelog ${PROJECT_SOURCE_DIR}/packaging/man/K4mgr.1)
file(STRINGS ${PROJECT_SOURCE_DIR}/packaging/changelog k4_changelog_top LIMIT_COUNT 1)
if(NOT k4_changelog_top MATCHES "^k4mgr \\(${PROJECT_VERSION}\\) ")
    message(FATAL_ERROR "packaging/changelog starts with \"${k4_changelog_top}\", "
                        "not with an entry for version ${PROJECT_VERSION}")
endif()
file(STRINGS ${PROJECT_SOURCE_DIR}/packaging/man/K4mgr.1 k4_man_title REGEX "^\\.TH ")
if(NOT k4_man_title MATCHES "\"K4mgr ${PROJECT_VERSION}\"")
    message(FATAL_ERROR "packaging/man/K4mgr.1: the title \"${k4_man_title}\" does not name "
                        "version ${PROJECT_VERSION}")
endif()

# Compressed as Debian ships them: gzip -9 without a name or time stamp, so a build gives the same
# bytes every time.
find_program(K4_GZIP gzip REQUIRED)
set(k4_gzipped)
foreach(pair "man/K4mgr.1;K4mgr.1.gz" "changelog;changelog.gz")
    list(GET pair 0 source)
    list(GET pair 1 packed)
    set(packed ${CMAKE_BINARY_DIR}/packaging/${packed})
    add_custom_command(OUTPUT ${packed}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
        COMMAND ${K4_GZIP} -9n -c ${PROJECT_SOURCE_DIR}/packaging/${source} > ${packed}
        DEPENDS ${PROJECT_SOURCE_DIR}/packaging/${source}
        VERBATIM)
    list(APPEND k4_gzipped ${packed})
endforeach()
add_custom_target(k4_package_documents ALL DEPENDS ${k4_gzipped})
install(FILES ${CMAKE_BINARY_DIR}/packaging/K4mgr.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
set(k4_docdir ${CMAKE_INSTALL_DATADIR}/doc/k4mgr)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${CMAKE_BINARY_DIR}/packaging/changelog.gz
        DESTINATION ${k4_docdir})

# The service's systemd unit goes beside these, from packaging/systemd/, with the service itself.

set(CPACK_PACKAGE_NAME k4mgr)
set(CPACK_PACKAGE_VENDOR "K4mgr")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Operator console for the KVT transcoders on one RS232 line")
# Lines of at most 80 characters and no apostrophe (CPack writes it as "&apos;").
set(CPACK_PACKAGE_DESCRIPTION_FILE ${PROJECT_SOURCE_DIR}/packaging/description.txt)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_INSTALL_DIRECTORY k4mgr)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "K4mgr developers <k4mgr@example.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The Qt libraries the program links are found by dpkg-shlibdeps; Qt's window-system plugins and
# its SQLite driver (the history's database) are loaded at run time, so they are named here, with
# the fonts the panel display and forms use.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6sql6-sqlite")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-dejavu-core, xfonts-terminus")
set(CPACK_STRIP_FILES ON)
include(CPack)
