#!/bin/sh
# SPDX-License-Identifier: MIT
# Fails when a C++ source differs from .clang-format, naming each file and
# how to mend it. Formatting by hand drifts; one checked style keeps diffs
# to what changed.
set -eu
cd "$(dirname "$0")/.."
format=${CLANG_FORMAT:-clang-format}
if ! command -v "$format" >/dev/null 2>&1; then
  echo "check-format: $format not found (tools/install-deps.sh installs it)" >&2
  exit 1
fi
bad=""
for f in $(find src tests bench fuzz -name '*.cpp' -o -name '*.h' | sort); do
  if ! "$format" --dry-run -Werror "$f" >/dev/null 2>&1; then
    bad="$bad $f"
  fi
done
if [ -n "$bad" ]; then
  echo "check-format: not formatted (run: $format -i$bad)" >&2
  for f in $bad; do echo "  $f" >&2; done
  exit 1
fi
