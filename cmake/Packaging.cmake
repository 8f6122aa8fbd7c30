# SPDX-License-Identifier: MIT
# The Debian package (cpack -G DEB): its documents and its control fields.
# The files it holds are installed by the folders that build them.

# The package's documents, the change log compressed as Debian wants.
set(changelog ${CMAKE_BINARY_DIR}/doc/changelog.gz)
add_custom_command(OUTPUT ${changelog}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/doc
  COMMAND gzip -9nc ${PROJECT_SOURCE_DIR}/content/desktop/changelog > ${changelog}
  DEPENDS ${PROJECT_SOURCE_DIR}/content/desktop/changelog)
add_custom_target(package_documents ALL DEPENDS ${changelog})
install(FILES ${changelog} DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/typhoros)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/typhoros RENAME copyright)

# typhoros_<version>_<arch>.deb for /usr, its dependencies found from the
# libraries the programs link (dpkg-shlibdeps) plus the fonts the game puts
# in place of the Windows faces.
set(CPACK_PACKAGE_NAME typhoros)
set(CPACK_PACKAGE_VENDOR "The Typhoros developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "typing game with falling invaders, for Japanese players")
set(CPACK_PACKAGE_DESCRIPTION "Questions ride on up to four invaders falling down the play field: type
an invader's question with your input method (IBus or fcitx with Mozc, for
instance) and press Enter to shoot it before it lands. Red invaders clear
the field, blue ones stop the descent for a while. Four levels, a five-rank
high-score table kept for each player, and a sound switch.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Installed into a staging root (DESTDIR) with the real prefix, so that the
# command, the desktop entry and the link are made for /usr.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Typhoros developers <typhoros@users.noreply.github.com>")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${TYPHOROS_HOME_PAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The game and its window frame use Qt's private API, whose ABI holds for
# one Qt release only; dpkg-shlibdeps adds that release's ABI package from
# Qt's symbols files (scripts/package-check makes sure).
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipafont-gothic, fonts-ipafont-mincho")
# Qt's Wayland platform plugin: without it a Wayland session runs the game
# through XWayland, pixel-doubled (blurry) at scale 2.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "fcitx5-mozc | ibus-mozc")
include(CPack)
