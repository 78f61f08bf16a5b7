#!/bin/sh
# SPDX-License-Identifier: MIT
# Installs a build into a temporary DESTDIR and checks what lands there as a
# desktop and a user would meet it: the desktop entry and the AppStream data
# (by their validators), the icons, the manual pages (any warning fails), the
# shell completions, and the installed programs on the example folder. When
# lintian is installed, a build with the window is also packaged as
# tools/package.sh packages it, and lintian must find nothing to say.
# Usage: check-install.sh BUILD_DIR [SOURCE_DIR]
set -eu
build=$1
source=${2:-$(dirname "$0")/..}
id=io.github.brantole.Pelmora

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
export XDG_CACHE_HOME="$work/home/.cache" LC_ALL=C.UTF-8
mkdir -p "$HOME"

fail() {
    echo "check-install: $*" >&2
    exit 1
}
# Runs a checker; any output from it (warnings included) fails the check.
quiet() {
    out=$("$@" 2>&1) || fail "$* failed: $out"
    [ -z "$out" ] || fail "$* reports: $out"
}

DESTDIR="$work/root" cmake --install "$build" --prefix /usr >"$work/install.log" 2>&1 ||
    fail "cmake --install failed: $(cat "$work/install.log")"
root=$work/root/usr
share=$root/share

# The programs.
[ -x "$root/bin/pelmora-cli" ] || fail "bin/pelmora-cli is not installed"
"$root/bin/pelmora-cli" --version | grep -Eq '^pelmora-cli [0-9]+\.[0-9]+\.[0-9]+$' || fail "pelmora-cli --version"
messages=$(find "$source/examples/mail" -maxdepth 1 \( -name '*.eml' -o -name '*.nws' \) | wc -l)
tsv_lines=$("$root/bin/pelmora-cli" list --format=tsv "$source/examples/mail" | wc -l)
[ "$tsv_lines" -eq $((messages + 1)) ] || fail "pelmora-cli list: $tsv_lines TSV lines for $messages messages"
"$root/bin/pelmora-cli" list --format=json "$source/examples/mail" >"$work/list.jsonl"
[ "$(wc -l <"$work/list.jsonl")" -eq "$messages" ] || fail "pelmora-cli list --format=json: not one line per message"
if command -v jq >/dev/null; then
    jq -e -s 'length > 0 and all(.[]; (.path | type) == "string" and (.hasattach | type) == "boolean"
              and (.duphash | test("^[0-9a-f]{16}$")))' "$work/list.jsonl" >/dev/null ||
        fail "pelmora-cli list --format=json: not the JSON Lines expected"
fi

status=0
"$root/bin/pelmora-cli" list --format=json --encoding=cp932 "$source/examples/mail" >/dev/null 2>&1 || status=$?
[ $status -eq 2 ] || fail "pelmora-cli accepts --format=json with --encoding=cp932 (status $status)"

gui=no
if [ -x "$root/bin/pelmora" ]; then gui=yes; fi
if [ $gui = yes ]; then
    "$root/bin/pelmora" --version | grep -Eq '^pelmora [0-9]+\.[0-9]+\.[0-9]+$' || fail "pelmora --version"
    "$root/bin/pelmora" --help | grep -q '^Usage: pelmora' || fail "pelmora --help"

    desktop=$share/applications/$id.desktop
    [ -f "$desktop" ] || fail "$desktop is not installed"
    quiet desktop-file-validate "$desktop"
    grep -qx "Icon=$id" "$desktop" || fail "the desktop entry names another icon"
    grep -qx 'Exec=pelmora %f' "$desktop" || fail "the desktop entry starts something else"

    metainfo=$share/metainfo/$id.metainfo.xml
    [ -f "$metainfo" ] || fail "$metainfo is not installed"
    appstreamcli validate --no-net "$metainfo" >"$work/appstream.log" 2>&1 ||
        fail "appstreamcli validate: $(cat "$work/appstream.log")"

    [ -s "$share/icons/hicolor/scalable/apps/$id.svg" ] || fail "the scalable icon is not installed"
    for size in 16 22 24 32 48 64 128 256; do
        png=$share/icons/hicolor/${size}x${size}/apps/$id.png
        file "$png" | grep -q "PNG image data, $size x $size," || fail "$png is not a $size-pixel PNG"
    done
fi

# The manual pages: man and groff must render them without a warning.
pages="pelmora-cli"
if [ $gui = yes ]; then pages="$pages pelmora"; fi
# shellcheck disable=SC2016 # the inner shells expand $1 themselves
for page in $pages; do
    file=$share/man/man1/$page.1.gz
    [ -f "$file" ] || fail "$file is not installed"
    quiet sh -c 'MANWIDTH=80 man --warnings -l "$1" >/dev/null' sh "$file"
    quiet sh -c 'gzip -dc "$1" | groff -man -ww -z' sh "$file"
    gzip -dc "$file" | grep -q '@PROJECT_VERSION@' && fail "$page(1) carries no version"
done
MANWIDTH=80 man -l "$share/man/man1/pelmora-cli.1.gz" 2>/dev/null | grep -q 'format=json' ||
    fail "pelmora-cli(1) does not document --format=json"

# The bash completion, as bash calls it: COMP_WORDS and COMP_CWORD in,
# COMPREPLY out.
mkdir -p "$work/tree/mailbox" "$work/tree/mailroom"
: >"$work/tree/mailfile.eml"
completions=$share/bash-completion/completions
[ -f "$completions/pelmora-cli" ] || fail "the bash completion is not installed"
if [ $gui = yes ]; then
    cmp -s "$completions/pelmora-cli" "$completions/pelmora" || fail "the bash completion of pelmora is missing"
fi
bash --norc --noprofile -s "$completions/pelmora-cli" "$work/tree" $gui <<'BASH' || fail "bash completion"
set -u
. "$1"
cd "$2"
status=0
# expect "WANTED REPLY" WORDS...: the words typed, the last one being completed.
expect() {
    local wanted=$1
    shift
    COMP_WORDS=("$@")
    COMP_CWORD=$(($# - 1))
    COMP_LINE="$*"
    COMP_POINT=${#COMP_LINE}
    local function
    function=$(complete -p "$1" | sed -n 's/.*-F \([^ ]*\) .*/\1/p')
    "$function" "$1" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    local got
    got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' ')
    got=${got% }
    if [[ $got != "$wanted" ]]; then
        echo "completing '$*': got '$got', wanted '$wanted'" >&2
        status=1
    fi
}
expect "search" pelmora-cli se
expect "--help --version" pelmora-cli --
expect "--sort=" pelmora-cli list --so
expect "json" pelmora-cli list --format = j
expect "csv json table tsv" pelmora-cli dups --format =
expect "--encoding=cp932" pelmora-cli search --encoding=c
expect "received recipients" pelmora-cli list --sort = re
expect "mailbox mailroom" pelmora-cli list mai
expect "mailbox mailfile.eml mailroom" pelmora-cli strip mai
expect "mailfile.eml" pelmora-cli export -o mailf
expect "" pelmora-cli decode --so
expect "books" pelmora-cli bo
expect "json table tsv" pelmora-cli books --format =
expect "json text" pelmora-cli show --format =
expect "json table tsv" pelmora-cli attachments --format =
expect "mailbox mailroom" pelmora-cli extract -o mai
expect "mailbox mailfile.eml mailroom" pelmora-cli extract mai
if [[ $3 == yes ]]; then
    expect "--help --version" pelmora --
    expect "mailbox mailroom" pelmora mai
fi
exit $status
BASH

zsh_completion=$(find "$share/zsh" -name _pelmora-cli 2>/dev/null | head -n 1)
[ -n "$zsh_completion" ] || fail "the zsh completion is not installed"
if command -v zsh >/dev/null; then
    quiet zsh -n "$zsh_completion"
fi

# The Debian package, made by CPack from this build into the temporary
# folder (no second build), as lintian sees it at its default level: no
# error, no warning. Sanitized builds are not what a package holds.
if [ $gui = yes ] && command -v lintian >/dev/null && command -v dpkg-shlibdeps >/dev/null &&
    ! grep -q '^PELMORA_SANITIZE:BOOL=ON$' "$build/CMakeCache.txt"; then
    cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/package" >"$work/cpack.log" 2>&1 ||
        fail "cpack failed: $(cat "$work/cpack.log")"
    # lintian says this on every run as root, whatever the package.
    out=$(lintian "$work"/package/pelmora_*.deb 2>&1 | grep -vx 'running with root privileges is not recommended!') || true
    [ -z "$out" ] || fail "lintian reports: $out"
fi

echo "check-install: the installed files pass every check"
