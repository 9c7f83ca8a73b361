#!/usr/bin/env bash
# Builds the benchmarks (Release, no sanitizers) and prints every figure:
# document throughput, the decimal scan alone, the grid through other
# loaders, the 150-frame load with its breakdown and memory, and
# the program's frame rate under a display (a private Xvfb when none is set).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/bench"

bash "$root/scripts/deps.sh" bench
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DMQO_BUILD_APP=ON \
    -DMQO_BUILD_BENCH=ON -DMQO_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" >/dev/null

echo "== machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs)"
echo "== document loading (Scan: reading and scanning only; Load: the whole mqoLoadModel)"
"$build/bench/bench_load" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
echo "== the decimal scan alone, against the one first written"
"$build/bench/bench_scan" --benchmark_repetitions=7 --benchmark_report_aggregates_only=true
if [ -x "$build/bench/bench_peers" ]; then
    echo "== the grid through other loaders, interleaved, with the floor of our load ($(cut -d' ' -f1-3 /proc/loadavg) load)"
    EGL_PLATFORM=surfaceless "$build/bench/bench_peers" 7
else
    echo "== bench_peers not built (bash scripts/deps.sh bench installs what it needs)"
fi
echo "== the same with the first reader (stdio lines, sscanf patterns)"
"$build/bench/bench_load_reference" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
echo "== texture decoding, complete profile (Ex) against plain libspng / TurboJPEG"
"$build/bench/bench_images" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
echo "== glTF export (mqoWriteGltf into memory, every feature)"
"$build/bench/bench_gltf" "$build/app/vindle" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
echo "== the character's 150 frames"
EGL_PLATFORM=surfaceless "$build/bench/bench_frames" "$build/app/vindle"
echo "== mqoview-style drawing, fixed-function against the shaded path (llvmpipe when no GPU)"
EGL_PLATFORM=surfaceless "$build/bench/bench_shaded" "$build/app/vindle" \
    "$(find "$root/../shared/corpus" -name '*.mqo' -printf '%s %p\n' 2>/dev/null | sort -n | tail -1 | cut -d' ' -f2-)" || true
echo "== the GL stage of the 150 frames alone, in a fresh process per run"
EGL_PLATFORM=surfaceless "$build/bench/bench_gl_stage" "$build/app/vindle" 7
echo "== the same while another program keeps one core busy (the reading waits on no helper that has no core)"
yes >/dev/null &
busy=$!
status=0
EGL_PLATFORM=surfaceless "$build/bench/bench_gl_stage" "$build/app/vindle" 7 || status=$?
kill "$busy"
[ "$status" = 0 ]
echo "== the 150 frames as default and as compact models (MQO_FEATURE_COMPACT), a fresh process per load"
EGL_PLATFORM=surfaceless "$build/bench/bench_compact" "$build/app/vindle" 5

if [ -z "${DISPLAY:-}" ]; then
    source "$root/scripts/xvfb.sh"
    start_xvfb
    trap stop_xvfb EXIT
fi
echo "== frame rate under $DISPLAY"
(cd "$build/app" && "$build/bench/bench_fps")
echo "== mqo2png and mqo2gltf: a batch against one run per document"
bash "$root/bench/tools.sh" "$build/tools/mqo2png" || true
echo "== ambletoe started from a shell in its folder, no environment settings, under $DISPLAY"
echo "   (it starts itself again with 2 MB heap pages where a fresh 4 KiB page costs over 6 us)"
(cd "$build/app" && "$build/bench/bench_startup" ./ambletoe 7)
echo "== the same with glibc.malloc.hugetlb=0 (small pages, whatever they cost)"
(cd "$build/app" && GLIBC_TUNABLES=glibc.malloc.hugetlb=0 "$build/bench/bench_startup" ./ambletoe 7)
echo "== the same with glibc.malloc.hugetlb=1 (2 MB pages; look at every run, not only the median)"
(cd "$build/app" && GLIBC_TUNABLES=glibc.malloc.hugetlb=1 "$build/bench/bench_startup" ./ambletoe 9)
