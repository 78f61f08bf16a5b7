#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the fuzzers (the `fuzz` preset) and runs each of them for the
# given number of seconds, one after the other:
#
#   tools/fuzz.sh SECONDS [TARGET...]
#
# TARGET is one of header iso2022jp eucjp utf8 base64 quoted_printable
# message body_walk search_terms mail_date settings contact_xml vcard
# desktop_books (default: all). The seeds in fuzz/corpus/TARGET are read, and for the
# message, body walk and contact targets the tests' data and the shared
# corpus of real messages (../shared/corpus, when present); what the fuzzer
# learns goes to build/fuzz/corpus/TARGET, crashes to build/fuzz/findings/TARGET.
# Each run's executions are summed up in build/fuzz/summary.tsv.
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
    targets=(header iso2022jp eucjp utf8 base64 quoted_printable message body_walk search_terms mail_date settings
             contact_xml vcard desktop_books)
fi

root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/fuzz
cd "$root"
cmake --preset fuzz >/dev/null
cmake --build "$build" -j2 --target $(printf 'fuzz_%s ' "${targets[@]}")

# Seed folders beyond fuzz/corpus/TARGET.
seedsFor() {
    case $1 in
        message | body_walk)
            echo "$root/tests/data/message" "$root/tests/data/search" "$root/tests/data/operations"
            [[ -d $root/../shared/corpus ]] && echo "$root/../shared/corpus"
            ;;
        contact_xml | vcard) echo "$root/tests/data/addressbook" ;;
        header) echo "$root/tests/data/decode" ;;
    esac
    return 0
}

status=0
for target in "${targets[@]}"; do
    corpus=$build/corpus/$target
    findings=$build/findings/$target
    mkdir -p "$corpus" "$findings"
    echo "== fuzz_$target for ${seconds}s"
    if ! nice -n "${FUZZ_NICE:-10}" "$build/fuzz/fuzz_$target" \
            -max_total_time="$seconds" -timeout=10 -max_len="${FUZZ_MAX_LEN:-65536}" -print_final_stats=1 \
            -artifact_prefix="$findings/" \
            "$corpus" "$root/fuzz/corpus/$target" $(seedsFor "$target") 2>"$build/fuzz_$target.log"; then
        echo "fuzz_$target found a problem: see $build/fuzz_$target.log and $findings" >&2
        status=1
    fi
    grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb)|^#[0-9]+.*DONE' "$build/fuzz_$target.log" || true
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$build/fuzz_$target.log" | tail -1)
    printf '%s\t%s\t%s\t%s\n' "$(date -u +%FT%TZ)" "$target" "$seconds" "${runs:-?}" >>"$build/summary.tsv"
done
exit $status
