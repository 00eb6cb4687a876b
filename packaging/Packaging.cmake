# make package: a Debian package of the three programs, built with CPack's DEB generator.
# The programs go to /usr/bin; the desktop entry starts the GUI through start-in-user-folder, so its
# cfg/, log/, KVF/ and ParamLog/ folders land in ~/Zorvan-Tools. The translations are compiled into
# the programs, so no catalogue is installed beside them.
set(ZT_PACKAGE_PREFIX /usr)
set(ZT_LAUNCHER_DIR lib/zorvan-tools)
set(ZT_LAUNCHER ${ZT_PACKAGE_PREFIX}/${ZT_LAUNCHER_DIR}/start-in-user-folder)
configure_file(${CMAKE_CURRENT_LIST_DIR}/zorvan-tools.desktop.in ${CMAKE_BINARY_DIR}/zorvan-tools.desktop @ONLY)

install(TARGETS Zorvan-Tools zorvan-cli zorvan-sim RUNTIME DESTINATION bin)
install(PROGRAMS ${CMAKE_CURRENT_LIST_DIR}/start-in-user-folder DESTINATION ${ZT_LAUNCHER_DIR})
install(FILES ${CMAKE_BINARY_DIR}/zorvan-tools.desktop DESTINATION share/applications)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/icons/zorvan-tools.svg DESTINATION share/icons/hicolor/scalable/apps)
foreach(size 16 22 24 32 48 64 128 256)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/icons/zorvan-tools-${size}.png
          DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME zorvan-tools.png)
endforeach()

# make package builds first; cpack then packs what is built without checking the whole tree again
# (the package test packs its own build tree this way while other suites run).
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zorvan-tools)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "maintenance, flashing and factory tool for Zorvan and ORVE avionics units")
set(CPACK_PACKAGE_DESCRIPTION
    "Zorvan-Tools flashes firmware, reads and writes parameters, downloads logs and runs the factory \
calibrations of the Zorvan flight-control unit and the ORVE inertial unit over USB serial or UDP. \
zorvan-cli drives the same engines from scripts; zorvan-sim simulates the units.")
set(CPACK_PACKAGE_CONTACT "Zorvan-Tools maintainers <zorvan-tools@localhost>")
set(CPACK_PACKAGING_INSTALL_PREFIX ${ZT_PACKAGE_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-wqy-microhei)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
include(CPack)
