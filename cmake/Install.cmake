# What `cmake --install` puts where, and the Debian package made from the same rules
# (`cpack -G DEB` in the build folder).
#
#   bin/tavolin, bin/tavolin-sim
#   share/applications/tavolin.desktop
#   share/icons/hicolor/<n>x<n>/apps/tavolin.png   drawn at build time from the glyph sheet
#   share/doc/tavolin/README.md, README.sim.md
include(GNUInstallDirs)

set(TAVOLIN_DOC_DIR "${CMAKE_INSTALL_DATAROOTDIR}/doc/tavolin")

install(TARGETS tavolin RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
if(TARGET tavolin-sim)
  install(TARGETS tavolin-sim RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
endif()
install(FILES "${PROJECT_SOURCE_DIR}/README.md" DESTINATION "${TAVOLIN_DOC_DIR}")
install(FILES "${PROJECT_SOURCE_DIR}/sim/README.md" DESTINATION "${TAVOLIN_DOC_DIR}"
        RENAME README.sim.md)

if(TARGET tavolin_icons)
  install(FILES "${PROJECT_SOURCE_DIR}/assets/tavolin.desktop"
          DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/applications")
  foreach(size ${TAVOLIN_ICON_SIZES})
    install(FILES "${TAVOLIN_ICON_DIR}/${size}x${size}/apps/tavolin.png"
            DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/${size}x${size}/apps")
  endforeach()
endif()

set(CPACK_PACKAGE_NAME tavolin)
set(CPACK_PACKAGE_VENDOR "The Tavolin developers")
set(CPACK_PACKAGE_CONTACT "The Tavolin developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION
    "Tavolin draws what firmware on a Parallax Propeller sends over a serial link (text and\n"
    "graphics), forwards keys and mouse to the chip, resets it and loads .binary and .eeprom\n"
    "images into its RAM or EEPROM, also from the command line without a window.  tavolin-sim\n"
    "plays a Propeller on a pseudo-terminal for trying it without a chip.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
  # The library packages the programs link against are found by dpkg-shlibdeps.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  set(CPACK_GENERATOR TGZ)
endif()
include(CPack)
