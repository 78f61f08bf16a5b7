#!/bin/sh
# SPDX-License-Identifier: MIT
# Installs what is missing, builds everything with warnings as errors and
# runs every test; then builds the core and its tests once more under
# AddressSanitizer and UBSan and runs them. Any failure or sanitizer report
# fails the whole command.
set -eu
cd "$(dirname "$0")/.."
./tools/install-deps.sh

jobs=$(nproc 2>/dev/null || echo 2)
cmake --preset ci >/dev/null
cmake --build --preset ci -j "$jobs"
ctest --preset ci -j "$jobs"

cmake --preset asan >/dev/null
cmake --build --preset asan -j "$jobs"
ctest --preset asan -j "$jobs"
