# `cmake --install`: the program, its skins folder, the desktop entry and the icon; and a Debian
# package of the same files through CPack (`cpack -G DEB` in the build folder).
install(TARGETS K4mgr RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The skins that ship with the program are the bitmaps of app/SKINS (the same ones the build copies
# beside the program); the folder exists even if none did.
install(DIRECTORY DESTINATION ${K4_INSTALL_SKINSDIR})
file(GLOB k4_shipped_skins CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/app/SKINS/*.bmp)
install(FILES ${k4_shipped_skins} DESTINATION ${K4_INSTALL_SKINSDIR})

install(FILES ${PROJECT_SOURCE_DIR}/packaging/k4mgr.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/src/shell/resources/k4mgr.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/64x64/apps)

set(CPACK_PACKAGE_NAME k4mgr)
set(CPACK_PACKAGE_VENDOR "K4mgr")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Operator console for the KVT transcoders on one RS232 line")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_INSTALL_DIRECTORY k4mgr)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "K4mgr maintainers <k4mgr@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The Qt libraries the program links are found by dpkg-shlibdeps; Qt's window-system plugins are
# loaded at run time, so they are named here (and the SQLite driver the history is kept with), with
# the fonts the panel display and forms use.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6sql6-sqlite")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-dejavu-core, xfonts-terminus")
set(CPACK_STRIP_FILES ON)
include(CPack)
