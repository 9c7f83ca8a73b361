#!/usr/bin/env bash
# A converter writing where there is no room: a device that is always full,
# a file-size limit, and (as root) a small tmpfs. Each must exit non-zero with
# the reason on stderr, keep the old file under the output name as it was,
# leave no partial file and no temporary. usage: full_disk.sh TOOL EXT SOURCE_DIR
set -uo pipefail
tool=$1 ext=$2 doc=$3/tests/export/fixtures/shapes.mqo
work=$(mktemp -d)
cleanup() {
    mountpoint -q "$work/tmpfs" 2>/dev/null && umount "$work/tmpfs"
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
name=$(basename "$tool")

"$tool" "$doc" "$work/good.$ext" || fail "the normal write failed"
[ -s "$work/good.$ext" ] || fail "nothing written"

# /dev/full; as root a node of its own, so a tool that removes what it failed
# to write cannot take the system's away.
full=/dev/full
if [ "$(id -u)" = 0 ] && mknod "$work/full" c 1 7 2>/dev/null; then full=$work/full; fi
"$tool" "$doc" "$full" 2>"$work/err"
status=$?
[ "$status" != 0 ] || fail "writing to $full exits 0"
grep -q "$name: $full: No space left on device" "$work/err" || fail "no reason given: $(cat "$work/err")"
[ -c "$full" ] || fail "$full is no longer a device"

# Leaves dir holding only what it held before the failed run.
untouched() {
    local listing
    listing=$(ls -A "$1")
    [ "$listing" = "$2" ] || fail "$3: left behind: $listing"
}

# A file-size limit far below the output: write fails with EFBIG (the signal
# ignored, as a full disk gives no signal).
limited() { ( trap '' XFSZ; ulimit -f 1; exec "$@" ); }
mkdir "$work/limit"
printf 'old contents\n' >"$work/limit/out.$ext"
limited "$tool" "$doc" "$work/limit/out.$ext" 2>"$work/err"
status=$?
grep -q "File too large" "$work/err" || fail "limit: no reason given: $(cat "$work/err")"
[ "$status" != 0 ] || fail "limit: exits 0"
[ "$(cat "$work/limit/out.$ext")" = "old contents" ] || fail "limit: the old file was changed"
untouched "$work/limit" "out.$ext" "limit, single form"

# The batch form: every output fails, none is left, the count is told.
limited "$tool" --out-dir "$work/limit/batch" "$doc" "$doc" >/dev/null 2>"$work/err"
status=$?
[ "$status" != 0 ] || fail "batch under the limit exits 0"
grep -q "2 of 2 failed" "$work/err" || fail "batch: no count: $(cat "$work/err")"
untouched "$work/limit/batch" "" "limit, batch"

# A small tmpfs, filled: the real full disk.
if [ "$(id -u)" != 0 ] || ! { mkdir "$work/tmpfs" && mount -t tmpfs -o size=64k tmpfs "$work/tmpfs"; } 2>/dev/null; then
    echo "SKIP: the tmpfs case needs root and mount (not available here)"
    exit 0
fi
printf 'old contents\n' >"$work/tmpfs/out.$ext"
head -c 1M /dev/zero >"$work/tmpfs/filler" 2>/dev/null
"$tool" "$doc" "$work/tmpfs/out.$ext" 2>"$work/err"
status=$?
[ "$status" != 0 ] || fail "tmpfs: exits 0"
grep -q "No space left on device" "$work/err" || fail "tmpfs: no reason: $(cat "$work/err")"
[ "$(cat "$work/tmpfs/out.$ext")" = "old contents" ] || fail "tmpfs: the old file was changed"
untouched "$work/tmpfs" "filler
out.$ext" "tmpfs, single form"
"$tool" --out-dir "$work/tmpfs/batch" "$doc" >/dev/null 2>"$work/err"
[ $? != 0 ] || fail "tmpfs batch exits 0"
untouched "$work/tmpfs/batch" "" "tmpfs, batch"
echo "OK"
