# SPDX-License-Identifier: GPL-3.0-or-later
# `cpack -G DEB` in the build folder makes nattervane_<version>_<arch>.deb from the install
# layout, with the library dependencies computed from the binaries by dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME nattervane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_NATTERVANE_STRIP ${CMAKE_STRIP})
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/strip_package.cmake)
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_CONTACT "Nattervane developers <nattervane@orvelle.app>")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The programs run these tools; the helper's units need systemd, which every desktop has.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "iproute2, lsof")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "nftables, iptables, dnsmasq-base, pkexec, qt6-wayland, publicsuffix")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "shows which programs talk to the network, and to whom")
# CPack puts the summary first and indents the following lines itself.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Nattervane sits in the system tray and tells, in plain English or Russian,\n"
  "which programs are talking to the network right now and whom they talk to.\n"
  "It keeps a 7-day journal and lets you allow, block or be asked about each\n"
  "destination. A command-line tool and an optional privileged helper\n"
  "(nftables and /etc/hosts) come with it.")
string(REPLACE ";" "" CPACK_DEBIAN_PACKAGE_DESCRIPTION "${CPACK_DEBIAN_PACKAGE_DESCRIPTION}")
# Removing the package removes the helper turned on from it and lifts its blocks; purging also
# deletes its state in /var/lib/nattervane.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_SOURCE_DIR}/resources/linux/debian/postinst
                                       ${CMAKE_SOURCE_DIR}/resources/linux/debian/prerm
                                       ${CMAKE_SOURCE_DIR}/resources/linux/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://orvelle.app/nattervane")
include(CPack)
