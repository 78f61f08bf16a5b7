# SPDX-License-Identifier: MIT
# The Debian package (tools/package.sh builds it): everything the install
# rules install, under /usr, with the library dependencies dpkg-shlibdeps
# finds in the programs.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pelmora)
set(CPACK_PACKAGE_VENDOR BRANTOLE)
set(PELMORA_PACKAGE_MAINTAINER "Pelmora developers <pelmora@localhost>"
    CACHE STRING "The Maintainer field of the Debian package")
set(CPACK_PACKAGE_CONTACT ${PELMORA_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY ${PROJECT_DESCRIPTION})
set(CPACK_PACKAGE_DESCRIPTION
    "Pelmora lists the e-mail messages kept as one file each (*.eml, *.nws) in a folder.\n"
    "It decodes Japanese and other mail character sets, sorts, finds duplicates,\n"
    "moves messages to the trash, strips attachments, searches a folder tree and\n"
    "exports the list as CSV. The window speaks Japanese, and pelmora-cli runs the same\n"
    "operations in a terminal and writes tables, TSV, CSV or JSON Lines.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION mail)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Libraries are found by dpkg-shlibdeps; these are what the programs start
# or load at run time: Qt's platform plugins for the window, xdg-open to open
# a message in its program.
if(PELMORA_GUI)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, xdg-utils")
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk | fonts-ipafont-gothic, qt6-translations-l10n")
endif()
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "bash-completion")

include(CPack)
