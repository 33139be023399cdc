# The Debian package: `cpack -G DEB` in a build configured with CMAKE_INSTALL_PREFIX=/usr
# (the "package" preset). Run-time dependencies come from the linked shared libraries
# (dpkg-shlibdeps); the fonts, adduser (the post-install creates the group) and libsystemd0 (loaded
# only when the clock is set, so dpkg-shlibdeps cannot see it) are named here.

set(TIKO3_PACKAGE_MAINTAINER "TIKo3 maintainers <tiko3@example.org>"
    CACHE STRING "Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tiko3)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${TIKO3_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "keeps the PC clock on Korean standard time over SNTP")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "TIKo3 asks a standard-time server for the time over SNTP, tells how far the PC
clock is off and sets it, on request or periodically, to Korean standard time
(UTC+9). It shows that time around the desktop: a main window, a clock-only
window, world clocks with their daylight-saving rules, a tray icon with alarm
pop-ups and a tick sound. A schedule book raises alarms, and the time can be
sent as a telegram over a serial line to an external clock display.

The package also holds TIKO3SCR, a clock screen saver for xscreensaver that
sets the clock while it runs.

The clock is set through the system's time service (systemd-timedated). The
package creates the group tiko3 and a polkit rule that lets its members set the
clock without a password; other users are asked for an administrator's.")

set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TIKO3_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The windows ask for "굴림" and "Arial" (see data/fonts); addgroup is run by the post-install.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-nanum | fonts-unfonts-core, fonts-liberation2, adduser, libsystemd0")
# The time service and polkit set the clock; without them only a capability an administrator
# granted by hand can.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, systemd, polkitd")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "xscreensaver")
set(CPACK_STRIP_FILES ON)

configure_file(${CMAKE_SOURCE_DIR}/packaging/postinst.in ${CMAKE_BINARY_DIR}/packaging/postinst @ONLY)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/packaging/postinst)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# The post-install and TIKO3SCR's run path name the configured prefix; packaging a build meant
# for /usr/local would ship paths that do not exist on the installed system.
set(CPACK_TIKO3_CONFIGURED_PREFIX "${CMAKE_INSTALL_PREFIX}")
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_SOURCE_DIR}/cmake/PackageCheck.cmake)

set(CPACK_SOURCE_GENERATOR TGZ)
set(CPACK_SOURCE_IGNORE_FILES "/build/" "/\\\\.git/")

include(CPack)
