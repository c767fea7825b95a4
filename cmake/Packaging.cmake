# Installation layout and the Debian package.
# Only the program and its desktop integration are installed: libraries are static, and the
# tests, benchmarks and the probe tool stay in the build tree.
include(GNUInstallDirs)

install(TARGETS vantrel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/data/vantrel.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/data/vantrel.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_SOURCE_DIR}/data/vantrel-symbolic.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/symbolic/apps)
# Software centres find the listing by its component id, so the file carries that name.
install(FILES ${PROJECT_SOURCE_DIR}/data/vantrel.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo
        RENAME app.vantrel.Vantrel.metainfo.xml)
# KWin runs this script for the KWin backend, which finds it beside its bin folder.
if(VANTREL_BACKEND_KWIN)
  install(FILES ${PROJECT_SOURCE_DIR}/data/kwin/vantrel-kwin.js
          DESTINATION ${CMAKE_INSTALL_DATADIR}/vantrel/kwin)
endif()

# The GNOME Shell extension (docs/gnome-extension.md), with the entry file chosen for the GNOME
# Shell installed when this runs (cmake/GnomeShellEntry.cmake). Its own component lets the tests
# install it alone into a private data folder.
set(VANTREL_GNOME_EXTENSION ${CMAKE_INSTALL_DATADIR}/gnome-shell/extensions/vantrel@vantrel.app)
install(FILES ${PROJECT_SOURCE_DIR}/data/gnome/metadata.json ${PROJECT_SOURCE_DIR}/data/gnome/service.js
        DESTINATION ${VANTREL_GNOME_EXTENSION} COMPONENT gnome-extension)
install(CODE "include(${PROJECT_SOURCE_DIR}/cmake/GnomeShellEntry.cmake)
vantrel_gnome_shell_entry(${PROJECT_SOURCE_DIR}/data/gnome
                          \${CMAKE_INSTALL_PREFIX}/${VANTREL_GNOME_EXTENSION})"
        COMPONENT gnome-extension)

# `cpack` in the build folder (or the `package` target) writes vantrel_<version>_<arch>.deb.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vantrel)
set(CPACK_PACKAGE_VENDOR Vantrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Vantrel <support@vantrel.app>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "save and restore window layouts from the system tray")
set(CPACK_PACKAGE_DESCRIPTION "Vantrel saves the arrangement of your windows as named layouts and
restores them from the tray menu, with a global shortcut, when a set of
displays is connected, or when an application starts. It also moves the
focused window to preset positions (halves, quarters, thirds, centred,
maximized). It needs an X11 session with an EWMH window manager.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Vantrel <support@vantrel.app>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://vantrel.app")
# The Qt, XCB, GLib and ICU libraries the program links are declared by dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

# Source packages would sweep up build folders; only the binary package is offered.
set(CPACK_SOURCE_GENERATOR "")

include(CPack)
