#!/usr/bin/env bash
# capture.sh BUILD [SECONDS]
# Plays ambletoe from BUILD/app (the folder that holds vindle/) under a private
# virtual X server, saves a PNG of its window every half second for SECONDS
# (default 60) into BUILD/capture/, ends the program with q and says where
# the pictures are, then assembles them into one animated GIF (walk.gif).
# Needs Xvfb, xdotool and ImageMagick (import, convert).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
if [ $# -lt 1 ] || [ ! -d "$1" ]; then
    echo "usage: capture.sh BUILD [SECONDS]" >&2
    exit 2
fi
build=$(cd "$1" && pwd)
seconds=${2:-60}
app="$build/app"
out="$build/capture"
if [ ! -x "$app/ambletoe" ] || [ ! -d "$app/vindle" ]; then
    echo "capture.sh: $app has no ambletoe and vindle/; build first" >&2
    exit 1
fi
for tool in Xvfb xdotool import xdpyinfo; do
    command -v "$tool" >/dev/null || { echo "capture.sh: $tool is missing" >&2; exit 1; }
done

# shellcheck source=xvfb.sh
source "$root/scripts/xvfb.sh"
app_pid=""
cleanup() {
    if [ -n "$app_pid" ] && kill -0 "$app_pid" 2>/dev/null; then kill "$app_pid" 2>/dev/null || true; fi
    stop_xvfb
}
trap cleanup EXIT
start_xvfb

rm -rf "$out"
mkdir -p "$out"
(cd "$app" && exec ./ambletoe >"$out/ambletoe.log" 2>&1) &
app_pid=$!

# The window shows once the 150 frames are loaded.
wid=$(timeout 120 xdotool search --sync --onlyvisible --name '^Ambletoe$' | head -n 1) || true
if [ -z "$wid" ]; then
    echo "capture.sh: the Ambletoe window did not appear; see $out/ambletoe.log" >&2
    exit 1
fi

shots=$((seconds * 2))
start=$(date +%s.%N)
for ((i = 0; i < shots; i++)); do
    kill -0 "$app_pid" 2>/dev/null || break
    import -window "$wid" "$(printf '%s/shot_%03d.png' "$out" "$i")" 2>/dev/null || true
    # Keep to a half-second grid however long a picture took.
    pause=$(awk -v s="$start" -v n="$(date +%s.%N)" -v i="$i" 'BEGIN { d = s + (i + 1) * 0.5 - n; print (d > 0 ? d : 0) }')
    sleep "$pause"
done

# Keys reach the window only with the pointer inside it (no window manager).
xdotool mousemove --window "$wid" 320 240 2>/dev/null || true
xdotool key q 2>/dev/null || true
for _ in $(seq 50); do
    kill -0 "$app_pid" 2>/dev/null || break
    sleep 0.1
done
status=0
if kill -0 "$app_pid" 2>/dev/null; then
    echo "capture.sh: ambletoe did not end on q; stopping it" >&2
    kill "$app_pid" 2>/dev/null || true
    status=1
else
    wait "$app_pid" || status=$?
fi
app_pid=""
count=$(find "$out" -name 'shot_*.png' | wc -l)
echo "capture: $count pictures (every 0.5 s) in $out"
# One animated picture of the walk, at the pace it was captured, half size
# and with a shared palette so it stays a few megabytes.
if [ "$count" -gt 0 ]; then
    if /usr/bin/convert -delay 50 -loop 0 "$out"/shot_*.png -resize 50% -layers Optimize \
        "$out/walk.gif" 2>"$out/convert.log"; then
        echo "capture: the whole playback as one animation: $out/walk.gif"
    else
        echo "capture.sh: could not assemble $out/walk.gif; see $out/convert.log" >&2
    fi
fi
exit "$status"
