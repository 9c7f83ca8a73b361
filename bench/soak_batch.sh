#!/usr/bin/env bash
# mqo2png --out-dir over COUNT documents (default 5,000): the corpus repeated
# as symbolic links in a temporary folder. Its resident memory is sampled
# through the run (it should stay flat) and every picture is counted.
#   bench/soak_batch.sh [MQO2PNG] [COUNT] [CORPUS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
mqo2png=${1:-$root/build/bench/tools/mqo2png}
count=${2:-5000}
corpus=${3:-$root/../shared/corpus}
[ -x "$mqo2png" ] || { echo "soak_batch.sh: no $mqo2png; build it first" >&2; exit 1; }
[ -d "$corpus" ] || { echo "soak_batch.sh: no corpus at $corpus" >&2; exit 1; }
mkdir -p "$root/build"
work=$(mktemp -d "$root/build/soak_batch.XXXXXX")
pid=
trap '[ -n "$pid" ] && { kill "$pid" 2>/dev/null || true; }; rm -rf "$work"' EXIT

# Only the documents mqo2png draws: one that fails would leave no picture.
mapfile -t docs < <(find "$corpus" -type f \( -name '*.mqo' -o -name '*.mqoz' \) | sort)
good=()
for d in "${docs[@]}"; do
    EGL_PLATFORM=surfaceless "$mqo2png" -s 64 "$d" "$work/probe.png" >/dev/null 2>&1 && good+=("$d")
done
# Links to the corpus folder, so each copy's textures are found beside it.
mkdir "$work/in"
inputs=()
for i in $(seq 0 $((count - 1))); do
    round=$((i / ${#good[@]}))
    [ -e "$work/in/$round" ] || ln -s "$corpus" "$work/in/$round"
    d=${good[$((i % ${#good[@]}))]}
    inputs+=("$work/in/$round/${d#"$corpus"/}")
done
echo "documents: $count (${#good[@]} of the corpus's ${#docs[@]} in turn)"

start=$(date +%s)
: >"$work/progress"
EGL_PLATFORM=surfaceless "$mqo2png" -s 128 --out-dir "$work/out" "${inputs[@]}" \
    >"$work/progress" 2>"$work/stderr" &
pid=$!
: >"$work/samples"
while kill -0 "$pid" 2>/dev/null; do
    rss=$(awk '/^VmRSS:/ { print $2 }' "/proc/$pid/status" 2>/dev/null) || break
    done_count=$(wc -l <"$work/progress")
    [ -n "$rss" ] && echo "$done_count $rss" >>"$work/samples"
    sleep 0.2
done
status=0
wait "$pid" || status=$?
awk 'BEGIN { step = 500 }
     $1 >= next_at { printf "after %5d documents: resident %6d KiB\n", $1, $2; next_at = $1 - $1 % step + step }
     $1 >= 100 && !base { base = $2; at = $1 }
     { last = $2; n = $1 }
     END { printf "growth from document %d to %d: %d KiB\n", at, n, last - base }' "$work/samples"
pictures=$(find "$work/out" -name '*.png' | wc -l)
echo "exit status $status, pictures written: $pictures of $count, $(($(date +%s) - start)) s"
[ "$status" = 0 ] && [ "$pictures" = "$count" ]
