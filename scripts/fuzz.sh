#!/bin/sh
# Runs one fuzz target for a while, longer than the smoke run ctest makes.
#
#   scripts/fuzz.sh TARGET SECONDS [BUILD_DIR]
#
# BUILD_DIR is a test build configured with -DMQO_BUILD_FUZZ=ON (clang);
# it defaults to build/test. The target is built first. The corpus grows in
# BUILD_DIR/tests/fuzz/fuzz-work/TARGET, seeded from tests/fuzz/corpus/TARGET;
# crash inputs land in BUILD_DIR/fuzz-crashes/TARGET. Keep every crash as a
# regression: copy it to tests/fuzz/regressions/TARGET/ and fix the reader.
set -eu

if [ $# -lt 2 ]; then
    echo "usage: $0 TARGET SECONDS [BUILD_DIR]" >&2
    exit 2
fi
target=$1
seconds=$2
root=$(cd "$(dirname "$0")/.." && pwd)
build=${3:-$root/build/test}

if [ ! -f "$build/CMakeCache.txt" ]; then
    echo "$build is not a configured build folder; configure one with" >&2
    echo "  CC=clang CXX=clang++ cmake -S $root -B $build -DMQO_BUILD_TESTS=ON -DMQO_SANITIZE=ON -DMQO_BUILD_FUZZ=ON" >&2
    exit 2
fi
cmake --build "$build" --target "$target" -j2
binary=$build/tests/fuzz/$target
if [ ! -x "$binary" ]; then
    echo "$binary was not built: is MQO_BUILD_FUZZ on in $build?" >&2
    exit 2
fi

work=$build/tests/fuzz/fuzz-work/$target
crashes=$build/fuzz-crashes/$target
mkdir -p "$work" "$crashes"
seeds=$root/tests/fuzz/corpus/$target
[ -d "$seeds" ] || seeds=

log=$build/fuzz-crashes/$target.log
status=0
# shellcheck disable=SC2086 # $seeds is empty or one folder
"$binary" -max_total_time="$seconds" -max_len=65536 -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$crashes/" "$work" $seeds >"$log" 2>&1 || status=$?

grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' "$log" || true
if [ "$status" -ne 0 ]; then
    echo "$target found a problem (status $status); inputs in $crashes, log in $log:" >&2
    grep -E 'ERROR|SUMMARY|Test unit written' "$log" >&2 || tail -20 "$log" >&2
    exit 1
fi
echo "$target: no crash in $seconds s; corpus $(ls "$work" | wc -l) inputs in $work"
