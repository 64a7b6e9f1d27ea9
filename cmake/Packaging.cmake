# What `cmake --install` puts in place, and the Debian package built from it.

install(FILES packaging/quintara.desktop packaging/quintara-demo.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES app/icons/quintara.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES packaging/org.orvelle.quintara.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# udev reads rules only from /usr/lib, /etc and /run: the package installs under
# /usr/lib; other prefixes keep a copy that the user copies to /etc/udev/rules.d.
install(FILES packaging/70-quintara.rules
        DESTINATION lib/udev/rules.d)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quintara)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Orvelle)
set(CPACK_PACKAGE_CONTACT "Quintara maintainers <quintara@orvelle.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "monitor and control a laboratory thermostat bath over USB")
set(CPACK_PACKAGE_DESCRIPTION
"Quintara connects to a laboratory thermostat bath over USB HID, polls it and
shows its temperature, readiness, setpoint and alarms. It records and plots the
readings, saves and opens CSV records, prints and copies the plot, and offers a
console for raw commands. English and Russian. quintara-demo runs it with a
simulated bath.")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${CMAKE_CURRENT_SOURCE_DIR}/packaging/postinst
    ${CMAKE_CURRENT_SOURCE_DIR}/packaging/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
