# What `cmake --install` puts where, and the Debian packages `cpack -G DEB` makes of the same tree
# (on Windows, the two zips `cpack` makes; see the end).
#
# Component game (package brellow-didovez): the game in games/, its 30 data files in
# share/games/brellow-didovez/, the desktop entry, the icons drawn from the crab, the AppStream
# metainfo, the manual page (section 6).
# Component dev (package liboru-dev): the library's headers under include/oru/, its static
# libraries, the CMake package (find_package (Oru CONFIG) gives Oru::oru and one target per
# subsystem), oru.pc for pkg-config, and the `oru` tool with its manual page (section 1).
include(CMakePackageConfigHelpers)

set(ORU_APP_ID org.oru.BrellowDidovez CACHE STRING
    "Reverse-DNS id of the game's desktop entry, icons and AppStream metainfo")
set(ORU_PACKAGE_MAINTAINER "The Oru team <oru-team@users.noreply.invalid>" CACHE STRING
    "Maintainer field of the Debian packages")
set(ORU_RELEASE_DATE 2026-12-10)
set(ORU_RELEASE_DATE_RFC2822 "Thu, 10 Dec 2026 12:00:00 +0000")

# The system libraries the installed library links, as pkg-config modules with the prefix of
# their PkgConfig:: targets; OruConfig.cmake and oru.pc ask for the same ones.
# The Win32 back end links only the system's own libraries.
if(ORU_PLATFORM STREQUAL "sdl")
  set(ORU_PKG_MODULES SDL2:sdl2 FLUIDSYNTH:fluidsynth FREETYPE:freetype2 FONTCONFIG:fontconfig
      SAMPLERATE:samplerate)
else()
  set(ORU_PKG_MODULES "")
endif()

set(dist ${PROJECT_SOURCE_DIR}/dist)
set(generated ${PROJECT_BINARY_DIR}/dist)

# ---- The game --------------------------------------------------------------------------------
if(TARGET brellow-didovez)
  install(TARGETS brellow-didovez RUNTIME DESTINATION ${ORU_INSTALL_GAMEDIR} COMPONENT game)
  install(DIRECTORY ${ORU_GAME_DIR}/ DESTINATION ${ORU_INSTALL_GAMEDATADIR} COMPONENT game
          FILES_MATCHING PATTERN "*.dpa")
endif()
if(TARGET brellow-didovez AND ORU_PLATFORM STREQUAL "win32")
  # Beside the executable, for a player who unzipped it: how to play, and the licence, with the
  # line ends Notepad expects.
  configure_file(${dist}/README-windows.txt.in ${generated}/README.txt @ONLY NEWLINE_STYLE CRLF)
  configure_file(${dist}/copyright ${generated}/LICENSE.txt @ONLY NEWLINE_STYLE CRLF)
  install(FILES ${generated}/README.txt ${generated}/LICENSE.txt DESTINATION ${ORU_INSTALL_GAMEDIR}
          COMPONENT game)
elseif(TARGET brellow-didovez)
  configure_file(${dist}/brellow-didovez.desktop.in ${generated}/${ORU_APP_ID}.desktop @ONLY)
  configure_file(${dist}/brellow-didovez.metainfo.xml.in ${generated}/${ORU_APP_ID}.metainfo.xml @ONLY)
  install(FILES ${generated}/${ORU_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
          COMPONENT game)
  install(FILES ${generated}/${ORU_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo
          COMPONENT game)
  foreach(size ${ORU_ICON_SIZES})
    install(FILES ${ORU_ICON_DIR}/icon-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME ${ORU_APP_ID}.png COMPONENT game)
  endforeach()
endif()

# Manual pages and the change log, compressed as Debian keeps them (gzip -n: no name or time, the
# same bytes on every build).
set(compressed)
foreach(page brellow-didovez.6 oru.1 changelog)
  configure_file(${dist}/${page}.in ${generated}/${page} @ONLY)
  add_custom_command(OUTPUT ${generated}/${page}.gz
                     COMMAND gzip -9nkf ${generated}/${page}
                     DEPENDS ${generated}/${page} VERBATIM)
  list(APPEND compressed ${generated}/${page}.gz)
endforeach()
add_custom_target(oru_compressed_docs ALL DEPENDS ${compressed})
if(TARGET brellow-didovez AND NOT ORU_PLATFORM STREQUAL "win32")
  install(FILES ${generated}/brellow-didovez.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6
          COMPONENT game)
  install(FILES ${dist}/copyright ${generated}/changelog.gz
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/brellow-didovez COMPONENT game)
endif()

# ---- The library -----------------------------------------------------------------------------
get_property(oru_libraries GLOBAL PROPERTY ORU_LIBRARIES)
add_library(oru_all INTERFACE)
target_link_libraries(oru_all INTERFACE ${oru_libraries})
set_target_properties(oru_all PROPERTIES EXPORT_NAME oru)
add_library(Oru::oru ALIAS oru_all)

install(TARGETS ${oru_libraries} oru_all EXPORT OruTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev)
# Headers named *_internal.h are shared only by the library's own sources: they stay out.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/oru/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/oru
        COMPONENT dev FILES_MATCHING PATTERN "*.h" PATTERN "*_internal.h" EXCLUDE)
install(FILES ${PROJECT_BINARY_DIR}/include/oru/version.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/oru COMPONENT dev)

set(cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/Oru)
install(EXPORT OruTargets NAMESPACE Oru:: DESTINATION ${cmake_dir} COMPONENT dev)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/OruConfig.cmake.in
                              ${generated}/OruConfig.cmake INSTALL_DESTINATION ${cmake_dir})
write_basic_package_version_file(${generated}/OruConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${generated}/OruConfig.cmake ${generated}/OruConfigVersion.cmake
        DESTINATION ${cmake_dir} COMPONENT dev)

# pkg-config: the libraries in link order (users before what they use). The libraries are static,
# so a program always needs the system libraries they call too: oru.pc names them itself, in Libs,
# as the shared libraries this build linked against (-lSDL2 and the like, from their own
# pkg-config files), so `--libs` and `--libs --static` both link. It does not name the system
# modules in Requires or Requires.private: pkgconf then puts their include folders and defines
# into `--cflags` (the installed headers need none of them), and `--static` asks for every static
# library behind them, which Debian's -dev packages do not all ship.
set(ORU_PC_LIBS "")
foreach(lib oru_game_loop oru_input oru_sound oru_graphics oru_data oru_shell oru_platform)
  if(lib IN_LIST oru_libraries AND TARGET ${lib})
    get_target_property(kind ${lib} TYPE)
    if(kind STREQUAL "STATIC_LIBRARY")
      string(APPEND ORU_PC_LIBS " -l${lib}")
    endif()
  endif()
endforeach()
set(ORU_PC_SYSTEM_LIBS "")
foreach(module ${ORU_PKG_MODULES})
  string(REGEX REPLACE ":.*$" "" oru_prefix ${module})
  foreach(name ${${oru_prefix}_LIBRARIES})
    if(NOT " ${ORU_PC_SYSTEM_LIBS} " MATCHES " -l${name} ")
      string(APPEND ORU_PC_SYSTEM_LIBS " -l${name}")
    endif()
  endforeach()
endforeach()
# The Win32 back end's system libraries, as oru_platform links them (privately, so they stand in
# its interface as link-only entries).
if(ORU_PLATFORM STREQUAL "win32")
  get_target_property(platform_links oru_platform INTERFACE_LINK_LIBRARIES)
  string(REGEX MATCHALL "\\$<LINK_ONLY:[A-Za-z0-9_]+>" platform_links "${platform_links}")
  foreach(link ${platform_links})
    string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" name "${link}")
    if(NOT name MATCHES "::")
      string(APPEND ORU_PC_SYSTEM_LIBS " -l${name}")
    endif()
  endforeach()
endif()
# The prefix is found from the file's own folder, so an installed tree can be moved.
file(RELATIVE_PATH ORU_PC_TO_PREFIX /p/${CMAKE_INSTALL_LIBDIR}/pkgconfig /p)
configure_file(${PROJECT_SOURCE_DIR}/cmake/oru.pc.in ${generated}/oru.pc @ONLY)
install(FILES ${generated}/oru.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT dev)

if(TARGET oru)
  install(TARGETS oru RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT dev)
endif()
if(ORU_PLATFORM STREQUAL "win32")
  configure_file(${dist}/copyright ${generated}/LICENSE.txt @ONLY NEWLINE_STYLE CRLF)
  install(FILES ${generated}/LICENSE.txt DESTINATION . COMPONENT dev)
else()
  install(FILES ${generated}/oru.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT dev)
  install(FILES ${dist}/copyright ${generated}/changelog.gz
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/liboru-dev COMPONENT dev)
endif()

# ---- Debian packages -------------------------------------------------------------------------
set(CPACK_PACKAGE_NAME brellow-didovez)
# CPack's own default summary: with it, each package's synopsis is the first line of its
# component's description below (any other summary would head both packages).
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_NAME} built using CMake")
set(CPACK_PACKAGE_VENDOR "The Oru team")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL game dev)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${ORU_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
# Library dependencies come from the binaries (dpkg-shlibdeps).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

set(CPACK_DEBIAN_GAME_PACKAGE_NAME brellow-didovez)
set(CPACK_DEBIAN_GAME_PACKAGE_SECTION games)
set(CPACK_DEBIAN_GAME_PACKAGE_DEPENDS
    "fluid-soundfont-gm | timgm6mb-soundfont, fonts-ipafont-gothic | fonts-vlgothic")
set(CPACK_COMPONENT_GAME_DESCRIPTION "crab versus monkeys and octopuses: a scrolling shooter
A horizontally scrolling shooter in 256 colours. A crab on the river bank
shoots chestnuts at the monkeys and octopuses that come in from the right;
hold out until the clock dial runs down, then face the boss while
persimmons fall. Played with the keyboard or a joystick.")

set(CPACK_DEBIAN_DEV_PACKAGE_NAME liboru-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS
    "libsdl2-dev, libfluidsynth-dev, libfreetype-dev, libfontconfig-dev, libsamplerate0-dev, pkg-config")
set(CPACK_COMPONENT_DEV_DESCRIPTION "Oru 2D game library: headers, static libraries and the oru tool
Oru is a small C++20 library for 256-colour 2D games on Linux: windows and
a frame-paced game thread, 8-bit surfaces with software blits, dirty-tile
presentation, full screen, wave sounds, a Standard MIDI File player through
FluidSynth, keyboard and joystick input, and a compressed pack format.

This package holds the headers, the static libraries, the CMake package
(Oru::oru), oru.pc for pkg-config, and the oru tool for asset makers.")

# ---- Windows zips ----------------------------------------------------------------------------
# cpack in a Windows build: brellow-didovez-<version>-win64.zip (the game, its data, README.txt
# and LICENSE.txt in its one folder, brellow-didovez/: unzipped anywhere, it plays) and
# oru-<version>-win64-dev.zip (bin/oru.exe, include/, lib/ with the CMake package: unzipped into
# the folder a developer names as CMAKE_PREFIX_PATH).
if(ORU_PLATFORM STREQUAL "win32")
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGING_INSTALL_PREFIX "")
  set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
  set(CPACK_ARCHIVE_GAME_FILE_NAME brellow-didovez-${PROJECT_VERSION}-win64)
  set(CPACK_ARCHIVE_DEV_FILE_NAME oru-${PROJECT_VERSION}-win64-dev)
endif()
include(CPack)
