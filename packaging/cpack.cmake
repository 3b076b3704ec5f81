# The Debian package: `cpack -G DEB` in a build folder, or scripts/package. Installing it needs
# no compiler; dpkg-shlibdeps finds the Qt runtime libraries the programs link.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME nvx10config)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "NVX 10 configuration developers")
set(CPACK_PACKAGE_CONTACT "NVX 10 configuration developers <nvx10config@example.org>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window's captions are laid out for Arial's metrics; Liberation Sans has them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS fonts-liberation)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "configuration program for the NVX 10-button dimmable switch panel
Reads the configuration of an NVX 10-button dimmable switch panel over a serial
port (a built-in port or a USB-serial adapter): which module and channel each
switch, each indicator LED, the backlighting and the dimming are tied to, and
the three lighting intensities. Shows it in a limited-access window, opens
configuration files saved earlier, and writes the shown configuration back into
the panel, verifying every location by reading it back.
.
Also contains nvx10-panel-sim, a simulated panel on a pseudo-terminal for
training and for trying the program without a panel, and sample configuration
files to practise with.")

include(CPack)
