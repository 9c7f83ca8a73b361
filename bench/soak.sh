#!/usr/bin/env bash
# The long runs, with their memory figures: mqoview reloading a rewritten
# document, mqo2png over a batch of thousands, and load-and-free cycles of a
# textured document. Builds in Release into build/bench, as bench/run.sh.
#   bench/soak.sh [RELOADS] [DOCUMENTS] [CYCLES]   (default 2,000 5,000 10,000)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/bench"
bash "$root/scripts/deps.sh" test
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DMQO_BUILD_APP=ON \
    -DMQO_BUILD_BENCH=ON -DMQO_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target mqoview mqo2png bench_soak_cycles >/dev/null
echo "== mqoview reloading its document, rewritten each time"
bash "$root/bench/soak_viewer.sh" "$build/tools/mqoview" "${1:-2000}"
echo "== mqo2png --out-dir over the corpus repeated"
bash "$root/bench/soak_batch.sh" "$build/tools/mqo2png" "${2:-5000}"
echo "== load and free cycles of a textured document, the pool emptied every 100"
EGL_PLATFORM=surfaceless "$build/bench/bench_soak_cycles" \
    "$root/tests/export/fixtures/textures.mqo" "${3:-10000}"
