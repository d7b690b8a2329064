# What `cmake --install` puts where, and the packages made from the same rules (`cpack` in the
# build folder).
#
# Linux, and the Debian package (`cpack -G DEB`):
#   bin/tavolin, bin/tavolin-sim
#   share/applications/io.github.tavolin.Tavolin.desktop
#   share/metainfo/io.github.tavolin.Tavolin.metainfo.xml   the software-centre entry
#   share/icons/hicolor/<n>x<n>/apps/tavolin.png              drawn at build time from the glyph sheet
#   share/man/man1/tavolin.1.gz, tavolin-sim.1.gz
#   share/doc/tavolin/README.md, README.sim.md, copyright, changelog.Debian.gz
#   share/lintian/overrides/tavolin
# Windows (`cpack`, a zip named tavolin-<version>-windows-x64.zip):
#   tavolin.exe, README.md, LICENSE.txt
#
# packaging/changelog is the release history in the Debian format.  Its newest entry must carry
# project(VERSION), with the package revision after the dash; the package revision, the manual
# pages' date and the software-centre releases come from it.
include(GNUInstallDirs)

set(TAVOLIN_DOC_DIR "${CMAKE_INSTALL_DATAROOTDIR}/doc/tavolin")
set(TAVOLIN_PACKAGING_DIR "${PROJECT_SOURCE_DIR}/packaging")
set(TAVOLIN_PACKAGING_OUT "${PROJECT_BINARY_DIR}/packaging")
set(TAVOLIN_APP_ID io.github.tavolin.Tavolin)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  "${TAVOLIN_PACKAGING_DIR}/changelog" "${PROJECT_SOURCE_DIR}/LICENSE")

# --- the release history -----------------------------------------------------------------------
# Entries: "tavolin (<version>-<revision>) <suite>; urgency=<u>", the changes, then
# " -- <name> <address>  <day>, <dd> <Mon> <yyyy> <hh:mm:ss> <zone>".
file(STRINGS "${TAVOLIN_PACKAGING_DIR}/changelog" changelog_lines
     REGEX "^(tavolin \\(| -- )")
set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
set(release_versions "")
set(release_dates "")
set(TAVOLIN_DEBIAN_REVISION "")
set(TAVOLIN_RELEASE_DATE "")
set(entry_version "")
foreach(line IN LISTS changelog_lines)
  if(line MATCHES "^tavolin \\(([0-9][0-9.]*)-([0-9A-Za-z.+~]+)\\) ")
    set(entry_version "${CMAKE_MATCH_1}")
    if(TAVOLIN_DEBIAN_REVISION STREQUAL "")
      set(TAVOLIN_DEBIAN_REVISION "${CMAKE_MATCH_2}")
      set(newest_version "${entry_version}")
    endif()
  elseif(line MATCHES "^ -- .*>  [A-Z][a-z][a-z], ([0-9][0-9]) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) "
         AND NOT entry_version STREQUAL "")
    list(FIND months "${CMAKE_MATCH_2}" month)
    if(month LESS 0)
      message(FATAL_ERROR "packaging/changelog: ${CMAKE_MATCH_2} is no month: ${line}")
    endif()
    math(EXPR month "${month} + 1" OUTPUT_FORMAT DECIMAL)
    if(month LESS 10)
      set(month "0${month}")
    endif()
    set(date "${CMAKE_MATCH_3}-${month}-${CMAKE_MATCH_1}")
    if(TAVOLIN_RELEASE_DATE STREQUAL "")
      set(TAVOLIN_RELEASE_DATE "${date}")
    endif()
    # A later revision of a version keeps the date the version was first released.
    list(FIND release_versions "${entry_version}" known)
    if(known LESS 0)
      list(APPEND release_versions "${entry_version}")
      list(APPEND release_dates "${date}")
    else()
      list(REMOVE_AT release_dates ${known})
      list(INSERT release_dates ${known} "${date}")
    endif()
    set(entry_version "")
  else()
    message(FATAL_ERROR "packaging/changelog: cannot read this line: ${line}")
  endif()
endforeach()
if(TAVOLIN_RELEASE_DATE STREQUAL "")
  message(FATAL_ERROR "packaging/changelog has no complete entry")
endif()
if(NOT newest_version STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "packaging/changelog: the newest entry is version ${newest_version}, the "
          "project is ${PROJECT_VERSION}: add an entry for ${PROJECT_VERSION}-1 at the top")
endif()
set(TAVOLIN_RELEASES "")
foreach(version date IN ZIP_LISTS release_versions release_dates)
  string(APPEND TAVOLIN_RELEASES "    <release version=\"${version}\" date=\"${date}\"/>\n")
endforeach()
string(STRIP "${TAVOLIN_RELEASES}" TAVOLIN_RELEASES)
string(PREPEND TAVOLIN_RELEASES "    ")

# --- the programs and their documents ----------------------------------------------------------
if(WIN32)
  install(TARGETS tavolin RUNTIME DESTINATION .)
  install(FILES "${PROJECT_SOURCE_DIR}/README.md" DESTINATION .)
  install(FILES "${PROJECT_SOURCE_DIR}/LICENSE" DESTINATION . RENAME LICENSE.txt)
else()
  install(TARGETS tavolin RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
  if(TARGET tavolin-sim)
    install(TARGETS tavolin-sim RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
  endif()
  install(FILES "${PROJECT_SOURCE_DIR}/README.md" DESTINATION "${TAVOLIN_DOC_DIR}")
  install(FILES "${PROJECT_SOURCE_DIR}/sim/README.md" DESTINATION "${TAVOLIN_DOC_DIR}"
          RENAME README.sim.md)

  # The copyright file in the machine-readable Debian format, made from LICENSE: its copyright
  # line gives the holders, the text after it the licence ("Expat" is the Debian name of this
  # MIT licence).
  file(READ "${PROJECT_SOURCE_DIR}/LICENSE" licence)
  if(NOT licence MATCHES "Copyright \\(c\\) ([^\n]+)\n\n(.+)$")
    message(FATAL_ERROR "LICENSE: no \"Copyright (c) <year> <holders>\" line before the licence")
  endif()
  set(TAVOLIN_COPYRIGHT "${CMAKE_MATCH_1}")
  string(STRIP "${CMAKE_MATCH_2}" TAVOLIN_LICENCE)
  string(REPLACE "\n\n" "\n.\n" TAVOLIN_LICENCE "${TAVOLIN_LICENCE}")
  string(REPLACE "\n" "\n " TAVOLIN_LICENCE " ${TAVOLIN_LICENCE}")
  configure_file("${TAVOLIN_PACKAGING_DIR}/copyright.in" "${TAVOLIN_PACKAGING_OUT}/copyright" @ONLY)
  install(FILES "${TAVOLIN_PACKAGING_OUT}/copyright" DESTINATION "${TAVOLIN_DOC_DIR}")

  # Compressed the Debian way: the highest level, without the name and time of the original, so
  # that the same sources give the same package.
  find_program(TAVOLIN_GZIP gzip REQUIRED)
  configure_file("${TAVOLIN_PACKAGING_DIR}/changelog" "${TAVOLIN_PACKAGING_OUT}/changelog.Debian"
                 COPYONLY)
  set(compressed "${TAVOLIN_PACKAGING_OUT}/changelog.Debian.gz")
  foreach(program tavolin tavolin-sim)
    configure_file("${TAVOLIN_PACKAGING_DIR}/${program}.1.in" "${TAVOLIN_PACKAGING_OUT}/${program}.1"
                   @ONLY)
    list(APPEND compressed "${TAVOLIN_PACKAGING_OUT}/${program}.1.gz")
  endforeach()
  foreach(gz IN LISTS compressed)
    string(REGEX REPLACE "\\.gz$" "" plain "${gz}")
    add_custom_command(OUTPUT "${gz}" COMMAND "${TAVOLIN_GZIP}" -9nkf "${plain}"
                       DEPENDS "${plain}" VERBATIM)
  endforeach()
  add_custom_target(tavolin_package_documents ALL DEPENDS ${compressed})
  install(FILES "${TAVOLIN_PACKAGING_OUT}/changelog.Debian.gz" DESTINATION "${TAVOLIN_DOC_DIR}")
  install(FILES "${TAVOLIN_PACKAGING_OUT}/tavolin.1.gz" "${TAVOLIN_PACKAGING_OUT}/tavolin-sim.1.gz"
          DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
  install(FILES "${TAVOLIN_PACKAGING_DIR}/lintian-overrides"
          DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides" RENAME tavolin)
endif()

if(TARGET tavolin_icons)
  install(FILES "${PROJECT_SOURCE_DIR}/assets/${TAVOLIN_APP_ID}.desktop"
          DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/applications")
  configure_file("${TAVOLIN_PACKAGING_DIR}/${TAVOLIN_APP_ID}.metainfo.xml.in"
                 "${TAVOLIN_PACKAGING_OUT}/${TAVOLIN_APP_ID}.metainfo.xml" @ONLY)
  install(FILES "${TAVOLIN_PACKAGING_OUT}/${TAVOLIN_APP_ID}.metainfo.xml"
          DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/metainfo")
  foreach(size ${TAVOLIN_ICON_SIZES})
    install(FILES "${TAVOLIN_ICON_DIR}/${size}x${size}/apps/tavolin.png"
            DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/${size}x${size}/apps")
  endforeach()
endif()

# --- the packages ------------------------------------------------------------------------------
# Who answers for the package: a packager sets it, e.g. -DTAVOLIN_MAINTAINER="Name <address>".
set(TAVOLIN_MAINTAINER "The Tavolin developers <developers@tavolin.invalid>" CACHE STRING
    "The package's maintainer: a name and a mail address in angle brackets")
if(NOT TAVOLIN_MAINTAINER MATCHES "^[^<>]*[^<> ] <[^<>@ ]+@[^<>@ ]+\\.[^<>@ ]+>$")
  message(FATAL_ERROR "TAVOLIN_MAINTAINER is \"${TAVOLIN_MAINTAINER}\": it must be a name and a "
          "mail address, as in \"Name <name@example.org>\"")
endif()

set(CPACK_PACKAGE_NAME tavolin)
set(CPACK_PACKAGE_VENDOR "The Tavolin developers")
set(CPACK_PACKAGE_CONTACT "${TAVOLIN_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
# Debian shows the description as it stands: lines of at most 80 characters.
set(CPACK_PACKAGE_DESCRIPTION
    "Tavolin draws what firmware on a Parallax Propeller sends over a serial\n"
    "link (text and graphics), forwards keys and mouse to the chip, resets it\n"
    "and loads .binary and .eeprom images into its RAM or EEPROM, also from the\n"
    "command line without a window.\n"
    "tavolin-sim plays a Propeller on a pseudo-terminal, to try Tavolin without\n"
    "a chip.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
# tavolin.exe is linked stripped already; the Linux programs are stripped as they are packed.
if(NOT WIN32)
  set(CPACK_STRIP_FILES ON)
endif()
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME "tavolin-${PROJECT_VERSION}-windows-x64")
elseif(CMAKE_SYSTEM_NAME STREQUAL "Linux")
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_RELEASE "${TAVOLIN_DEBIAN_REVISION}")
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TAVOLIN_MAINTAINER}")
  set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
  # The library packages the programs link against are found by dpkg-shlibdeps.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  set(CPACK_GENERATOR TGZ)
endif()
include(CPack)
