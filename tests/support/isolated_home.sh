#!/bin/sh
# SPDX-License-Identifier: MIT
# isolated_home.sh COMMAND [ARG...]: runs one test in a home of its own.
#
# Every test starts as on a machine that has never run the program: HOME,
# the XDG base folders and the temporary folder point into a fresh folder
# that is removed afterwards, so no test reads or writes the real user's
# configuration (Qt's file-dialog history included), trash or documents.
# The temporary folder lives inside that home too, so the files a test
# trashes stay on the home's volume and land in the home's own trash.
set -u

home=$(mktemp -d "${TMPDIR:-/tmp}/pelmora-test.XXXXXXXX") || exit 1
cleanup() {
    # Some tests take the read permission off folders they made.
    chmod -R u+rwx "$home" 2>/dev/null
    rm -rf "$home"
}
trap cleanup EXIT
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM

mkdir -p "$home/.config" "$home/.local/share" "$home/.cache" "$home/runtime" "$home/tmp" || exit 1
chmod 700 "$home/runtime"

HOME=$home
XDG_CONFIG_HOME=$home/.config
XDG_DATA_HOME=$home/.local/share
XDG_CACHE_HOME=$home/.cache
XDG_RUNTIME_DIR=$home/runtime
TMPDIR=$home/tmp
export HOME XDG_CONFIG_HOME XDG_DATA_HOME XDG_CACHE_HOME XDG_RUNTIME_DIR TMPDIR
# The user-folder overrides (xdg-user-dirs) of the real session name folders
# outside this home.
unset XDG_DESKTOP_DIR XDG_DOCUMENTS_DIR XDG_DOWNLOAD_DIR XDG_MUSIC_DIR XDG_PICTURES_DIR \
      XDG_PUBLICSHARE_DIR XDG_TEMPLATES_DIR XDG_VIDEOS_DIR VISUAL EDITOR

"$@"
status=$?
exit $status
