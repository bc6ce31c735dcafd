# A Debian package of what `cmake --install` puts in place: murlo and
# murlo-replay in bin/, the skin and sounds in share/murlo/, the desktop
# entry, the icon, the AppStream metadata and the manual pages, and the
# libretro core with its info file where Debian's RetroArch looks (when the
# build has it). Its dependencies are read from the libraries the
# programs link (dpkg-shlibdeps).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME murlo)
set(CPACK_PACKAGE_VENDOR "The Murlo developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION
    "Steer a digger down a well eight blocks wide on an emulated 32 x 32 one-bit\nLCD: dig blocks, break same-kind groups, dodge falling blocks and keep your\nair up on the way to depth 1000.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Murlo developers <murlo@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
