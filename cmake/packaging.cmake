# Two Debian packages of what `cmake --install` puts in place, one for each
# install component:
# - murlo (components game and libretro): murlo and murlo-replay in bin/
#   (games/ in the release preset, where Debian keeps games), the skin and
#   sounds in share/murlo/, the desktop entry, the icon, the AppStream
#   metadata and the manual pages, the copyright file and the changelog in
#   share/doc/murlo/, and the libretro core with its info file where
#   Debian's RetroArch looks (when the build has it).
# - murlo-board (component board, when the server is built and the web
#   preset has built the page): the server, its manual page, the web page
#   it serves in share/murlo-board/web/, a systemd unit that runs it (not
#   enabled), and its own copyright file and changelog.
# Each one's dependencies are read from the libraries its own programs
# link (dpkg-shlibdeps), so the game needs nothing the server links.
# tools/release builds them with the release preset and checks them with
# lintian.

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
find_program(MURLO_GZIP gzip REQUIRED)
function(murlo_changelog template folder)
  configure_file(${template} ${folder}/changelog @ONLY)
  add_custom_command(OUTPUT ${folder}/changelog.gz
                     COMMAND ${MURLO_GZIP} -9nkf changelog
                     DEPENDS ${folder}/changelog
                     WORKING_DIRECTORY ${folder})
endfunction()
murlo_changelog(${CMAKE_SOURCE_DIR}/cmake/debian/changelog.in ${murlo_doc})
add_custom_target(murlo_changelog ALL DEPENDS ${murlo_doc}/changelog.gz)
install(FILES ${murlo_doc}/copyright ${murlo_doc}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})

# lintian's verdicts that are wrong for this package, each with its reason:
# one, on the libretro core's info file.
if(MURLO_LIBRETRO)
  install(FILES ${CMAKE_SOURCE_DIR}/cmake/debian/lintian-overrides
          DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME murlo)
endif()

set(CPACK_PACKAGING_INSTALL_PREFIX /usr)

# ---- murlo-board --------------------------------------------------------------
# The page it serves is the web preset's build (an emscripten build of its
# own), made before this one is configured: tools/release does so.
set(MURLO_BOARD_WEB "${CMAKE_SOURCE_DIR}/build-web/web" CACHE PATH
    "The web page's folder that the murlo-board package serves (the web preset's)")
set(murlo_board_package OFF)
if(MURLO_BOARD AND EXISTS "${MURLO_BOARD_WEB}/index.html")
  set(murlo_board_package ON)
elseif(MURLO_BOARD)
  message(STATUS "No murlo-board package: no web page in ${MURLO_BOARD_WEB} (build the web preset first)")
endif()
if(murlo_board_package)
  set(murlo_board_web ${CMAKE_INSTALL_DATADIR}/murlo-board/web)
  install(DIRECTORY ${MURLO_BOARD_WEB}/ DESTINATION ${murlo_board_web} COMPONENT board
          FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  # The unit names the paths the package installs to.
  set(murlo_board_program ${CPACK_PACKAGING_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/murlo-board)
  set(murlo_board_web ${CPACK_PACKAGING_INSTALL_PREFIX}/${murlo_board_web})
  configure_file(${CMAKE_SOURCE_DIR}/cmake/debian/board/murlo-board.service.in
                 ${CMAKE_BINARY_DIR}/murlo-board.service @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/murlo-board.service DESTINATION lib/systemd/system COMPONENT board)
  # Its copyright file, the game's and what emscripten builds into the
  # page, and its changelog.
  set(murlo_board_doc ${CMAKE_BINARY_DIR}/doc-board)
  file(READ ${CMAKE_SOURCE_DIR}/cmake/debian/copyright.in murlo_copyright_game)
  file(READ ${CMAKE_SOURCE_DIR}/cmake/debian/board/copyright.in murlo_copyright_page)
  file(CONFIGURE OUTPUT ${murlo_board_doc}/copyright CONTENT "${murlo_copyright_game}${murlo_copyright_page}" @ONLY)
  murlo_changelog(${CMAKE_SOURCE_DIR}/cmake/debian/board/changelog.in ${murlo_board_doc})
  add_custom_target(murlo_board_changelog ALL DEPENDS ${murlo_board_doc}/changelog.gz)
  install(FILES ${murlo_board_doc}/copyright ${murlo_board_doc}/changelog.gz
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/murlo-board COMPONENT board)
  # lintian's verdicts that are wrong for it, each with its reason.
  install(FILES ${CMAKE_SOURCE_DIR}/cmake/debian/board/lintian-overrides
          DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME murlo-board COMPONENT board)
endif()

# ---- Both packages ----------------------------------------------------------
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME murlo)
set(CPACK_PACKAGE_VENDOR "The Murlo developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL game libretro)
set(CPACK_COMPONENT_GAME_GROUP game)
set(CPACK_COMPONENT_LIBRETRO_GROUP game)
if(murlo_board_package)
  list(APPEND CPACK_COMPONENTS_ALL board)
  set(CPACK_COMPONENT_BOARD_GROUP board)
endif()
# Release builds carry no debug information, and the programs and the core
# are stripped besides.
set(CPACK_STRIP_FILES ON)
set(CPACK_MURLO_STRIP "${CMAKE_STRIP}")
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/cmake/debian/strip.cmake)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${MURLO_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Each description is a synopsis in Debian's style (no article, no full
# stop), then the long text. The summary they share is left empty, or
# CPack would put it before both.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "")
set(CPACK_DEBIAN_GAME_PACKAGE_NAME murlo)
set(CPACK_DEBIAN_GAME_DESCRIPTION "digging puzzle game on a tiny one-bit screen
Steer a digger down a well eight blocks wide on an emulated 32 x 32 one-bit
LCD: dig blocks, break same-kind groups, dodge falling blocks and keep your
air up on the way to depth 1000.

The game plays in a window shaped like a handheld console, with the keyboard
or a game controller. A run can be recorded and played back, in the window
or headless with murlo-replay. A libretro core plays the game in RetroArch.")
set(CPACK_DEBIAN_BOARD_PACKAGE_NAME murlo-board)
set(CPACK_DEBIAN_BOARD_DESCRIPTION "web server of murlo's page and a board of verified runs
murlo-board serves the web page of murlo, the digging puzzle game on a
tiny one-bit screen, and a board of the deepest runs players submit. Every
run is played with the game itself before it is stored. The board is kept
in an SQLite file, or in a PostgreSQL database that several servers share.

A systemd unit runs it on 127.0.0.1:8080, for a reverse proxy in front; the
unit is not enabled when the package is installed.")
# The board's service is stopped before the package is removed, and
# restarted after an upgrade if it runs; installing enables nothing.
set(CPACK_DEBIAN_BOARD_PACKAGE_CONTROL_EXTRA ${CMAKE_SOURCE_DIR}/cmake/debian/board/postinst
    ${CMAKE_SOURCE_DIR}/cmake/debian/board/prerm ${CMAKE_SOURCE_DIR}/cmake/debian/board/postrm)
set(CPACK_DEBIAN_BOARD_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
