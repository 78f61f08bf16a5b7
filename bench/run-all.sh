#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Every benchmark figure bench/README.md shows, from one run: builds the
# optimised benchmarks, then times the folder load (10,000 and 100,000
# messages, warm and cold) and the body search (the same folders and the
# mixed corpus of base64 and quoted-printable bodies, 10,000 and 100,000
# messages, warm and cold; the Japanese-heavy corpus of 10,000 for an ASCII
# and a Japanese word) and the reading of the desktop's address books
# (10,000 contacts in each kind of book), the window's delete of 1,000
# of 30,000 listed messages against the command line's, and opening the
# folders of 10,000 and 100,000 messages in the window against
# `pelmora-cli list` of them. Cold runs drop the
# page cache, which needs root; without it the output says that its cold
# figures are warm ones.
#
#   bench/run-all.sh [OUTPUT]     (default: build/release/bench-results.txt)
#
# The generated folders stay under $TMPDIR for the next run (about 1.4 GB).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
out=${1:-build/release/bench-results.txt}

cmake --preset release >/dev/null
cmake --build --preset release --target load_bench load_floor search_bench addressbook_bench delete_bench \
    window_load_bench >/dev/null

run() {
    echo
    echo "== $*"
    "$@"
}

{
    echo "Pelmora benchmarks, $(date -u '+%Y-%m-%d %H:%M UTC'), commit $(git rev-parse --short HEAD 2>/dev/null || echo '?')"
    echo "$(nproc) processors; $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'); load $(cut -d' ' -f1-3 /proc/loadavg)"
    run build/release/bench/load/load_bench --sizes=10000,100000 --runs=3 --cold-runs=1
    for corpus in load mixed; do
        for size in 10000 100000; do
            for cold in 0 1; do
                echo
                echo "== body search, corpus $corpus, $size messages, $([[ $cold == 1 ]] && echo cold || echo warm)"
                PELMORA_BENCH_CORPUS=$corpus PELMORA_BENCH_MESSAGES=$size PELMORA_BENCH_COLD=$cold \
                    build/release/bench/search/search_bench --benchmark_counters_tabular=true
            done
        done
    done
    for term in ascii japanese; do
        echo
        echo "== body search, corpus japanese, 10000 messages, $term word, warm"
        PELMORA_BENCH_CORPUS=japanese PELMORA_BENCH_MESSAGES=10000 PELMORA_BENCH_TERM=$term \
            build/release/bench/search/search_bench --benchmark_counters_tabular=true
    done
    run build/release/bench/addressbook/addressbook_bench --contacts=10000
    QT_QPA_PLATFORM=offscreen run build/release/bench/delete/delete_bench --listed=30000 --messages=1000
    QT_QPA_PLATFORM=offscreen run build/release/bench/window/window_load_bench --sizes=10000,100000 --runs=3
} 2>&1 | tee "$out"
echo "written to $out" >&2
