#!/usr/bin/env bash
# mqoview end to end, under a private Xvfb driven with xdotool: the title,
# a framed model, a drag that turns it, c switching to the document's own
# camera (and saying so where there is none), e switching the reading, a
# file rewritten on disk being reloaded, a package under the exact reading,
# q quitting with status 0.
#   mqoview_e2e.sh MQOVIEW
set -uo pipefail
viewer=$(realpath "$1")
work=$(mktemp -d /tmp/mqoview_e2e.XXXXXX)
xvfb_pid="" view_pid=""
cleanup() {
    [ -n "$view_pid" ] && kill -KILL "$view_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && { kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; }
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    [ -s "$work/err" ] && head -c 2000 "$work/err" >&2
    exit 1
}
convert=/usr/bin/convert
source "$(dirname "$0")/../../scripts/xvfb.sh"
start_xvfb "$work/xvfb.log" || fail "the X server did not come up"
xvfb_pid=${XVFB_PID:-}

# A box of 12 triangles (box 5: 10), seen from the front by the camera it
# was saved with; plain.mqo is the box without that camera.
box() {
    cat <<'DOC'
Metasequoia Document
Format Text Ver 1.0

Scene {
	pos 0 0 1500
	lookat 0 0 0
	head 0
	pich 0
	ortho 0
	zoom2 5
}

Material 1 {
	"blue" col(0.200 0.400 1.000 1.000) dif(0.800) amb(0.600) emi(0.000) spc(0.000) power(5.00)
}
Object "box" {
	visible 15
	shading 1
	facet 59.5
	vertex 8 {
		-100 -100 -100
		100 -100 -100
		100 100 -100
		-100 100 -100
		-100 -100 100
		100 -100 100
		100 100 100
		-100 100 100
	}
	face 6 {
		4 V(0 1 2 3) M(0)
		4 V(7 6 5 4) M(0)
		4 V(0 4 5 1) M(0)
		4 V(1 5 6 2) M(0)
		4 V(2 6 7 3) M(0)
DOC
    [ "${1:-6}" = 6 ] && echo "		4 V(3 7 4 0) M(0)"
    printf '\t}\n}\nEof\n'
}
box > "$work/box.mqo"
box | sed '/^Scene {/,/^}/d' > "$work/plain.mqo"

box 6 > "$work/inner.mqo"
(cd "$work" && zip -q box.mqoz inner.mqo) || fail "zip could not make a package"
# Files in turn: box.mqo, then (space) the package, and (backspace from the
# first) the document without a Scene chunk.
ASAN_OPTIONS=detect_leaks=0 "$viewer" "$work/box.mqo" "$work/box.mqoz" "$work/plain.mqo" \
    >"$work/out" 2>"$work/err" &
view_pid=$!
wid=$(timeout 20 xdotool search --sync --onlyvisible --name 'box\.mqo') || fail "no window"
wid=${wid%%$'\n'*}
title() { xdotool getwindowname "$wid"; }
pixel() { "$convert" "$1" -crop 1x1+"$2"+"$3" -depth 8 txt:- | tail -n 1 | grep -o '#[0-9A-F]\{6\}'; }
shot() { sleep 0.4; import -window "$wid" "$work/$1.png" || fail "no screenshot"; }

[[ "$(title)" == "box.mqo - 1 objects, 12 triangles - complete profile" ]] || fail "title: $(title)"
shot first
centre=$(pixel "$work/first.png" 400 300) corner=$(pixel "$work/first.png" 5 5)
[ "$centre" != "$corner" ] || fail "nothing drawn in the middle ($centre)"

xdotool mousemove --window "$wid" 400 300 mousedown 1 mousemove --window "$wid" 470 330 mouseup 1
shot dragged
cmp -s "$work/first.png" "$work/dragged.png" && fail "a drag did not change the picture"

xdotool mousemove --window "$wid" 400 300 key c
sleep 0.3
[[ "$(title)" == *"author's camera"* ]] || fail "c did not switch to the document's camera: $(title)"
shot scene
cmp -s "$work/dragged.png" "$work/scene.png" && fail "c did not change the picture"
[ "$(pixel "$work/scene.png" 400 300)" != "$(pixel "$work/scene.png" 5 5)" ] ||
    fail "nothing drawn in the middle from the document's camera"
xdotool key BackSpace
sleep 0.3
[[ "$(title)" == "plain.mqo"*"no Scene camera"* ]] || fail "a document without one: $(title)"
xdotool key space c
sleep 0.3
[[ "$(title)" == "box.mqo"* && "$(title)" != *"camera"* ]] || fail "c did not switch back: $(title)"

xdotool mousemove --window "$wid" 400 300 key e
sleep 0.3
[[ "$(title)" == *"exact subset"* ]] || fail "e did not switch the reading: $(title)"

box 5 > "$work/box.tmp" && mv "$work/box.tmp" "$work/box.mqo"
for _ in $(seq 20); do [[ "$(title)" == *"10 triangles"* ]] && break; sleep 0.2; done
[[ "$(title)" == *"10 triangles"* ]] || fail "the rewritten file was not reloaded: $(title)"
echo "not a model" > "$work/box.mqo"
for _ in $(seq 20); do [[ "$(title)" == *"reload failed"* ]] && break; sleep 0.2; done
[[ "$(title)" == *"10 triangles"*"reload failed"* ]] || fail "a bad reload: $(title)"

# The exact reading does not open packages, and the title says what to press.
xdotool mousemove --window "$wid" 400 300 key space
sleep 0.3
[[ "$(title)" == "box.mqoz - "*"a .mqoz package needs the complete reading (press e)" ]] ||
    fail "a package under the exact reading: $(title)"
xdotool mousemove --window "$wid" 400 300 key e
sleep 0.3
[[ "$(title)" == "box.mqoz - 1 objects, 12 triangles - complete profile" ]] ||
    fail "e did not open the package: $(title)"

# g writes the shown document beside it as glb, and the title says where.
xdotool mousemove --window "$wid" 400 300 key g
sleep 0.3
[[ "$(title)" == *" - wrote $work/box.glb" ]] || fail "g did not say where the glb went: $(title)"
[ "$(head -c 4 "$work/box.glb")" = glTF ] || fail "g wrote no glb beside the package"

xdotool mousemove --window "$wid" 400 300 key q
for _ in $(seq 50); do kill -0 "$view_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$view_pid" 2>/dev/null && fail "q did not quit"
wait "$view_pid"
status=$?
view_pid=""
[ "$status" = 0 ] || fail "exit status $status"
echo "mqoview: title, framing, drag, c, e, reload, package, g and q as expected"
