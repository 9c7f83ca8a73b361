#!/usr/bin/env bash
# mqo2png's figures: the corpus documents in one batch run against one run
# per document (a context is made once against once per file), and one
# thumbnail of the largest corpus document; then the same batch against one
# run per document for mqo2gltf (beside mqo2png), with the bytes it wrote.
# Medians of five rounds.
#   bench/tools.sh [MQO2PNG] [CORPUS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
mqo2png=${1:-$root/build/bench/tools/mqo2png}
corpus=${2:-$root/../shared/corpus}
[ -x "$mqo2png" ] || { echo "tools.sh: no $mqo2png; run bench/run.sh or build first" >&2; exit 1; }
[ -d "$corpus" ] || { echo "tools.sh: no corpus at $corpus" >&2; exit 1; }
work=$(mktemp -d /tmp/mqo_tools_bench.XXXXXX)
trap 'rm -rf "$work"' EXIT

mapfile -t docs < <(find "$corpus" -type f \( -name '*.mqo' -o -name '*.mqoz' \) | sort)
largest=$(ls -S "${docs[@]}" | head -n 1)

now() { date +%s%N; }
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
ms() { awk -v ns="$1" 'BEGIN { printf "%.1f ms", ns / 1e6 }'; }

batch=() single=() thumb=()
for _ in 1 2 3 4 5; do
    t=$(now)
    "$mqo2png" -s 256 --out-dir "$work/batch" "${docs[@]}" >/dev/null 2>&1 || true
    batch+=($(($(now) - t)))
    t=$(now)
    for d in "${docs[@]}"; do "$mqo2png" -s 256 "$d" "$work/one.png" >/dev/null 2>&1 || true; done
    single+=($(($(now) - t)))
    t=$(now)
    "$mqo2png" -s 256 "$largest" "$work/largest.png" >/dev/null 2>&1 || true
    thumb+=($(($(now) - t)))
done
b=$(printf '%s\n' "${batch[@]}" | median)
s=$(printf '%s\n' "${single[@]}" | median)
echo "${#docs[@]} corpus documents, 256 px, median of 5:"
echo "  one batch run:        $(ms "$b")"
echo "  one run per document: $(ms "$s")  ($(awk -v s="$s" -v b="$b" 'BEGIN { printf "%.1f", s / b }') x the batch)"
echo "  one thumbnail of the largest ($(basename "$largest"), $(stat -c %s "$largest") bytes): $(ms "$(printf '%s\n' "${thumb[@]}" | median)")"

mqo2gltf=$(dirname "$mqo2png")/mqo2gltf
[ -x "$mqo2gltf" ] || exit 0
batch=() single=()
for _ in 1 2 3 4 5; do
    t=$(now)
    "$mqo2gltf" --out-dir "$work/glb" "${docs[@]}" >/dev/null 2>&1 || true
    batch+=($(($(now) - t)))
    t=$(now)
    for d in "${docs[@]}"; do "$mqo2gltf" "$d" "$work/one.glb" >/dev/null 2>&1 || true; done
    single+=($(($(now) - t)))
done
b=$(printf '%s\n' "${batch[@]}" | median)
s=$(printf '%s\n' "${single[@]}" | median)
echo "mqo2gltf, ${#docs[@]} corpus documents ($(cat "${docs[@]}" | wc -c) bytes in, $(cat "$work"/glb/*.glb | wc -c) bytes of glb out), median of 5:"
echo "  one batch run:        $(ms "$b")"
echo "  one run per document: $(ms "$s")  ($(awk -v s="$s" -v b="$b" 'BEGIN { printf "%.1f", s / b }') x the batch)"
