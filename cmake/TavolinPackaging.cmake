# What Tavolin installs beside its programs, and the Debian package made from it (cpack -G DEB in the build
# folder). The programs install themselves in their own folders' CMakeLists.
include(GNUInstallDirs)

set(TAVOLIN_DATA ${CMAKE_SOURCE_DIR}/data)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# Desktop entries: the palette (in the application menu; the start-at-login entry it writes carries the same
# keys) and the preferences program, which opens extension bundles and tavolin-preferences: URLs.
install(FILES ${TAVOLIN_DATA}/tavolin.desktop ${TAVOLIN_DATA}/tavolin-preferences.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${TAVOLIN_DATA}/io.quorvane.Tavolin.metainfo.xml ${TAVOLIN_DATA}/io.quorvane.Tavolin.Preferences.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${TAVOLIN_DATA}/tavolin-extension.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)

# The icon: drawn as SVG; the PNGs are rendered from it (rsvg-convert -w N -h N) and kept in the tree, so
# building needs no SVG renderer.
install(FILES ${TAVOLIN_DATA}/icons/tavolin.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 22 24 32 48 64 128 256)
  install(FILES ${TAVOLIN_DATA}/icons/${size}x${size}/tavolin.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

install(FILES ${CMAKE_SOURCE_DIR}/man/tavolin.1 ${CMAKE_SOURCE_DIR}/man/tavolin-preferences.1
              ${CMAKE_SOURCE_DIR}/man/tavolin-menu.1
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_SOURCE_DIR}/man/tavolin-extensions.7 DESTINATION ${CMAKE_INSTALL_MANDIR}/man7)
install(FILES ${TAVOLIN_DATA}/completions/tavolin-menu DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)

# The guide to writing extensions, with the built-in scripts as examples (the palette carries its own copies).
install(FILES ${CMAKE_SOURCE_DIR}/doc/extensions.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tavolin)
file(GLOB TAVOLIN_EXAMPLE_EXTENSIONS ${CMAKE_SOURCE_DIR}/src/extensions/builtin/*.sh)
install(FILES ${TAVOLIN_EXAMPLE_EXTENSIONS} DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tavolin/examples)

# Checks of what is installed: desktop entries, AppStream metainfo, manual pages and the completion; and the
# package itself, made from this build folder into a temporary one.
add_test(NAME data_files_valid COMMAND ${CMAKE_SOURCE_DIR}/scripts/check-data-files.sh ${CMAKE_SOURCE_DIR})
add_test(NAME debian_package COMMAND ${CMAKE_SOURCE_DIR}/scripts/check-package.sh ${CMAKE_BINARY_DIR})
set_tests_properties(debian_package PROPERTIES TIMEOUT 300)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tavolin)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Quorvane")
set(CPACK_PACKAGE_CONTACT "Tavolin developers <tavolin@quorvane.io>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "keyboard command palette for application menus")
set(CPACK_PACKAGE_DESCRIPTION
    "A global shortcut (Ctrl+Shift+P) opens a floating panel over the focused application that lists the
commands of its menu bar, read through the accessibility bus; typing ranks them and Return runs the chosen
one. Includes the preferences program and tavolin-menu, the same reader and search from a terminal.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Depends: the libraries the programs link, found by dpkg-shlibdeps (dpkg-dev).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The accessibility bus, and the bridge that puts GTK 2 applications on it.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "at-spi2-core, libatk-adaptor, qt6-wayland, qt6-translations-l10n")
# Python extensions; the built-in extensions' key and clipboard helpers.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "python3, xdotool, xclip")
include(CPack)
