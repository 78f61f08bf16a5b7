#!/bin/sh
# SPDX-License-Identifier: MIT
# Installs what is missing, builds Pelmora and starts it on a folder
# (the bundled examples/mail unless one is given).
set -eu
cd "$(dirname "$0")/.."
./tools/install-deps.sh

jobs=$(nproc 2>/dev/null || echo 2)
cmake --preset dev >/dev/null
cmake --build --preset dev -j "$jobs" --target pelmora pelmora-cli

folder=${1:-examples/mail}
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec build/dev/src/app/pelmora "$folder"
fi

echo "No display found: listing $folder with pelmora-cli instead." >&2
build/dev/src/cli/pelmora-cli list --format=table "$folder"
echo >&2
echo "To start the window, run this on a desktop session:  build/dev/src/app/pelmora $folder" >&2
echo "or without one:  xvfb-run -a build/dev/src/app/pelmora $folder" >&2
