#!/usr/bin/env bash
# mqoview reloading its document RELOADS times (default 2,000), the file
# rewritten on disk each time (a textured and a plain document in turn, so
# each reload shows in the title), under a private Xvfb. Resident memory and
# open file descriptors are sampled every 100 reloads; both should be flat
# after the first hundred.
#   bench/soak_viewer.sh [MQOVIEW] [RELOADS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
viewer=${1:-$root/build/bench/tools/mqoview}
reloads=${2:-2000}
[ -x "$viewer" ] || { echo "soak_viewer.sh: no $viewer; build it first" >&2; exit 1; }
fixtures=$root/tests/export/fixtures
work=$(mktemp -d /tmp/mqo_soak_viewer.XXXXXX)
pid=
finish() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null && { wait "$pid" 2>/dev/null || true; }
    [ -n "${XVFB_PID:-}" ] && stop_xvfb
    rm -rf "$work"
}
trap finish EXIT
cp "$fixtures"/*.bmp "$fixtures"/*.tga "$fixtures"/*.png "$work"/
cp "$fixtures/textures.mqo" "$work/a.mqo"
cp "$fixtures/shapes.mqo" "$work/b.mqo"
cp "$work/a.mqo" "$work/doc.mqo"

source "$root/scripts/xvfb.sh"
start_xvfb
"$viewer" "$work/doc.mqo" >/dev/null 2>"$work/stderr" &
pid=$!
wid=$(timeout 20 xdotool search --sync --onlyvisible --name 'doc\.mqo')
title() { xdotool getwindowname "$wid"; }
sample() {
    local rss fds
    rss=$(awk '/^VmRSS:/ { print $2 }' "/proc/$pid/status")
    fds=$(ls "/proc/$pid/fd" | wc -l)
    printf 'after %5d reloads: resident %6d KiB, %3d open files\n' "$1" "$rss" "$fds"
    echo "$1 $rss $fds" >>"$work/samples"
}
sample 0
start=$(date +%s)
for i in $(seq 1 "$reloads"); do
    before=$(title)
    # The plain copy with cp: the viewer sees the close of a write.
    if [ $((i % 2)) = 1 ]; then cp "$work/b.mqo" "$work/doc.mqo"; else cp "$work/a.mqo" "$work/doc.mqo"; fi
    for _ in $(seq 200); do
        [ "$(title)" != "$before" ] && break
        sleep 0.02
    done
    [ "$(title)" != "$before" ] || { echo "reload $i: the title did not change" >&2; exit 1; }
    if [ $((i % 100)) = 0 ] || [ "$i" = "$reloads" ]; then sample "$i"; fi
done
echo "reloads: $reloads in $(($(date +%s) - start)) s"
awk 'NR == 1 { next } $1 >= 100 && !base { base = $2; fd = $3 }
     END { printf "growth from reload %d to %d: %d KiB, %d open files\n", 100, $1, $2 - base, $3 - fd }' \
    "$work/samples"
