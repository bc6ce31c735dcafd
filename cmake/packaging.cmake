# A Debian package of what `cmake --install` puts in place: murlo and
# murlo-replay in bin/ (games/ in the release preset, where Debian keeps
# games), the skin and sounds in share/murlo/, the desktop entry, the icon,
# the AppStream metadata and the manual pages, the copyright file and the
# changelog in share/doc/murlo/, and the libretro core with its info file
# where Debian's RetroArch looks (when the build has it). Its dependencies
# are read from the libraries the programs link (dpkg-shlibdeps).
# tools/release builds it with the release preset and checks it with lintian.

# Who answers for the package: the Maintainer field and the changelog's
# sign-off. The project has no mail address of its own yet, so the default
# is under .invalid, a name reserved never to resolve (RFC 2606): mail to it
# goes nowhere rather than to a stranger. Whoever hands the package out sets
# theirs: -DMURLO_MAINTAINER="Name <address>".
set(MURLO_MAINTAINER "The Murlo developers <developers@murlo.invalid>" CACHE STRING
    "The Debian package's maintainer, \"Name <address>\"")

# The copyright file, in Debian's machine-readable form, made from LICENSE
# so the licence text is written once: its copyright line, and the
# permission and the disclaimer below it, indented, blank lines as " .".
file(READ ${CMAKE_SOURCE_DIR}/LICENSE murlo_licence)
string(REGEX MATCH "Copyright \\(c\\) ([^\n]+)" murlo_copyright "${murlo_licence}")
set(murlo_copyright "${CMAKE_MATCH_1}")
string(FIND "${murlo_licence}" "Permission" murlo_permission)
if(NOT murlo_copyright OR murlo_permission LESS 0)
  message(FATAL_ERROR "LICENSE: no copyright line or permission notice")
endif()
string(SUBSTRING "${murlo_licence}" ${murlo_permission} -1 murlo_licence_text)
string(STRIP "${murlo_licence_text}" murlo_licence_text)
string(REPLACE "\n\n" "\n.\n" murlo_licence_text "${murlo_licence_text}")
string(REPLACE "\n" "\n " murlo_licence_text " ${murlo_licence_text}")
set(murlo_doc ${CMAKE_BINARY_DIR}/doc)
configure_file(${CMAKE_SOURCE_DIR}/cmake/debian/copyright.in ${murlo_doc}/copyright @ONLY)

# The changelog, compressed as Debian installs a native package's
# (gzip -9n: the most it compresses, and no time stamp in the file).
configure_file(${CMAKE_SOURCE_DIR}/cmake/debian/changelog.in ${murlo_doc}/changelog @ONLY)
find_program(MURLO_GZIP gzip REQUIRED)
add_custom_command(OUTPUT ${murlo_doc}/changelog.gz
                   COMMAND ${MURLO_GZIP} -9nkf changelog
                   DEPENDS ${murlo_doc}/changelog
                   WORKING_DIRECTORY ${murlo_doc})
add_custom_target(murlo_changelog ALL DEPENDS ${murlo_doc}/changelog.gz)
install(FILES ${murlo_doc}/copyright ${murlo_doc}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})

# lintian's verdicts that are wrong for this package, each with its reason:
# one, on the libretro core's info file.
if(MURLO_LIBRETRO)
  install(FILES ${CMAKE_SOURCE_DIR}/cmake/debian/lintian-overrides
          DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME murlo)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME murlo)
set(CPACK_PACKAGE_VENDOR "The Murlo developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Release builds carry no debug information, and the programs and the core
# are stripped besides.
set(CPACK_STRIP_FILES ON)
set(CPACK_MURLO_STRIP "${CMAKE_STRIP}")
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/cmake/debian/strip.cmake)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${MURLO_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# A synopsis in Debian's style (no article, no full stop), then the long text.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "digging puzzle game on a tiny one-bit screen")
set(CPACK_PACKAGE_DESCRIPTION "Steer a digger down a well eight blocks wide on an emulated 32 x 32 one-bit
LCD: dig blocks, break same-kind groups, dodge falling blocks and keep your
air up on the way to depth 1000.

The game plays in a window shaped like a handheld console, with the keyboard
or a game controller. A run can be recorded and played back, in the window
or headless with murlo-replay. A libretro core plays the game in RetroArch.")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
