#!/bin/sh
# SPDX-License-Identifier: MIT
# Builds the Debian package build/package/pelmora_<version>-1_<arch>.deb with
# CPack; its library dependencies come from dpkg-shlibdeps. Install it with
#   sudo apt-get install ./build/package/pelmora_*.deb
set -eu
cd "$(dirname "$0")/.."
./tools/install-deps.sh

build=build/package
jobs=$(nproc 2>/dev/null || echo 2)
# The flags of the ci build (optimised, with debug information, warnings as
# errors), so that ccache shares its objects; CPack strips the programs.
set -- -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPELMORA_WERROR=ON -DPELMORA_TESTS=OFF -DPELMORA_BENCH=OFF \
    -DCMAKE_INSTALL_PREFIX=/usr
if command -v ccache >/dev/null; then
    set -- "$@" -DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache
fi
cmake -S . -B "$build" -G Ninja "$@" >/dev/null
cmake --build "$build" -j "$jobs"
rm -f "$build"/pelmora_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/pelmora_*.deb)
dpkg-deb --field "$deb" Package Version Architecture Depends
# What lintian finds, shown here; the install_check test fails on it.
if command -v lintian >/dev/null; then
    lintian "$deb" 2>&1 | grep -vx 'running with root privileges is not recommended!' ||
        echo "lintian: nothing to report"
fi
echo "Built $deb"
