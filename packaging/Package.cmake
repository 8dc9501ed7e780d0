# The Debian package that scripts/package makes: the three programs in bin,
# the GPIB shim in lib/ostrel, the shipped data in share/ostrel, a desktop
# entry and its icon. Paths finds the data as ../share/ostrel from the
# program's folder, so the same layout works under /usr and in a staging root.
install(FILES ${CMAKE_CURRENT_LIST_DIR}/ostrel.desktop DESTINATION share/applications)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/ostrel.svg DESTINATION share/icons/hicolor/scalable/apps)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ostrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Ostrel developers <ostrel@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Control and test programmable AC/DC power sources")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Sets the steady-state output, runs transients, sequences and waveforms, takes
measurements and runs power-quality immunity tests over LAN, RS-232 or GPIB.
Ships ostrel-cli for test stations and ostrel-vsource, a virtual power source
to try everything without hardware.")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# Depends: from the libraries the programs link (dpkg-shlibdeps), and the
# SVG plug-ins that draw the toolbar and window icons, which nothing links.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
