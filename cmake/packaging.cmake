# SPDX-License-Identifier: MIT
# The Debian package (tools/package.sh builds it): everything the install
# rules install, under /usr, with the library dependencies dpkg-shlibdeps
# finds in the programs, and the documents Debian asks of every package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pelmora)
set(CPACK_PACKAGE_VENDOR BRANTOLE)
# The project's address: the package's Maintainer field, and the contact in
# its copyright file and changelog.
set(PELMORA_PACKAGE_MAINTAINER "Pelmora developers <brantole@users.noreply.github.com>")
set(CPACK_PACKAGE_CONTACT ${PELMORA_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY ${PROJECT_DESCRIPTION})
# Debian shows these lines as they stand; each stays within 80 columns.
set(CPACK_PACKAGE_DESCRIPTION
    "Pelmora lists the e-mail messages kept as one file each (*.eml, *.nws) in a\n"
    "folder. It decodes Japanese and other mail character sets, sorts, finds\n"
    "duplicates, moves messages to the trash, strips attachments, searches a\n"
    "folder tree and exports the list as CSV. The window speaks Japanese, and\n"
    "pelmora-cli runs the same operations in a terminal and writes tables, TSV,\n"
    "CSV or JSON Lines.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION mail)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Libraries are found by dpkg-shlibdeps; these are what the window starts or
# loads at run time: Qt's platform plugins, Qt's Japanese translation (without
# it Qt's own dialogs and buttons speak English), xdg-open to open a message
# in its program, and sensible-editor among the editors it may start. A
# Japanese font is needed to show the window on a desktop that has none.
if(PELMORA_GUI)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-translations-l10n, sensible-utils, xdg-utils")
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk | fonts-ipafont-gothic | fonts-vlgothic")
endif()
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "bash-completion")

# The documents of usr/share/doc/pelmora: the copyright file in Debian's
# machine-readable format, the upstream changelog (CHANGELOG.md) and the
# package's own changelog. They belong to the package only, so CPack adds
# them to what it staged (cmake/debian/add_documents.cmake) rather than the
# install rules, and a source install stays without a Debian changelog.
include(cmake/debian/documents.cmake)

include(CPack)
