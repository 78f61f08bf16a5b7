#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the decoder fuzzers (the `fuzz` preset) and runs each of them for
# the given number of seconds, one after the other:
#
#   tools/fuzz.sh SECONDS [TARGET...]
#
# TARGET is one of header iso2022jp eucjp utf8 base64 quoted_printable
# (default: all). The seeds in fuzz/corpus/TARGET are read; what the fuzzer
# learns goes to build/fuzz/corpus/TARGET, crashes to build/fuzz/findings/TARGET.
# Set FUZZ_NICE=0 to run at normal priority (default: nice 10).
set -euo pipefail

if [[ $# -lt 1 || ! $1 =~ ^[0-9]+$ ]]; then
    echo "usage: $0 SECONDS [TARGET...]" >&2
    exit 2
fi
seconds=$1
shift
targets=("$@")
if [[ ${#targets[@]} -eq 0 ]]; then
    targets=(header iso2022jp eucjp utf8 base64 quoted_printable)
fi

root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/fuzz
cd "$root"
cmake --preset fuzz >/dev/null
cmake --build "$build" -j2 --target $(printf 'fuzz_%s ' "${targets[@]}")

status=0
for target in "${targets[@]}"; do
    corpus=$build/corpus/$target
    findings=$build/findings/$target
    mkdir -p "$corpus" "$findings"
    echo "== fuzz_$target for ${seconds}s"
    if ! nice -n "${FUZZ_NICE:-10}" "$build/fuzz/fuzz_$target" \
            -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
            -artifact_prefix="$findings/" \
            "$corpus" "$root/fuzz/corpus/$target" 2>"$build/fuzz_$target.log"; then
        echo "fuzz_$target found a problem: see $build/fuzz_$target.log and $findings" >&2
        status=1
    fi
    grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb)|^#[0-9]+.*DONE' "$build/fuzz_$target.log" || true
done
exit $status
