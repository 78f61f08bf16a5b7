#!/bin/sh
# SPDX-License-Identifier: MIT
# The one list of what Pelmora needs from Debian (libsqlite3-dev reads the
# desktop's address books; librsvg2-bin renders the icon; appstream,
# desktop-file-utils, man-db and groff-base validate what is installed;
# dpkg-dev and file let CPack find the package's dependencies and lintian
# checks the package; jq and zsh check the JSON output and the zsh
# completion; clang-format checks the sources; python3 compares the message
# reader with Python's email package). Safe to run again: it installs only
# what is missing and does nothing when all is present.
set -eu

PACKAGES="
  build-essential g++ cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev libgl-dev libxkbcommon-dev
  qt6-qpa-plugins
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  libxxhash-dev libpugixml-dev libsqlite3-dev
  clang libclang-rt-dev clang-format
  xvfb xauth x11-utils imagemagick
  fonts-noto-cjk fonts-dejavu-core qt6-translations-l10n
  xdg-utils desktop-file-utils
  librsvg2-bin appstream man-db groff-base dpkg-dev file jq zsh python3
  lintian
"

missing=""
for p in $PACKAGES; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing="$missing $p"
  fi
done

if [ -z "$missing" ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "Installing:$missing" >&2
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing >&2
