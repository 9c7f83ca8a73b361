#!/usr/bin/env bash
# Packs the build as a Debian package, unpacks it into a scratch root with
# dpkg -x and runs mqo2png from there: the package holds what it says and
# the program in it works.
#   check_deb.sh BUILD_DIR
set -euo pipefail
build=$(realpath "$1")
work=$(mktemp -d /tmp/mqo_deb.XXXXXX)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$work/pack" >"$work/cpack.log" 2>&1) ||
    { cat "$work/cpack.log" >&2; fail "cpack -G DEB failed"; }
deb=$(ls "$work"/pack/*.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || fail "no .deb made"
info=$(dpkg-deb -I "$deb")
grep -q '^ Package: mqomodel' <<<"$info" || fail "package name: $info"
grep -q '^ Depends:.*libspng' <<<"$info" || fail "Depends lacks the PNG library: $info"
dpkg -x "$deb" "$work/root"
for f in usr/bin/mqo2png usr/bin/mqoview usr/include/mqo/MqoModel.h \
    usr/share/man/man1/mqo2png.1 usr/share/man/man1/mqoview.1 \
    usr/share/thumbnailers/mqomodel.thumbnailer usr/share/mime/packages/mqomodel.xml; do
    [ -e "$work/root/$f" ] || fail "$f is not in the package"
done
find "$work/root" -name 'libmqomodel.a' | grep -q . || fail "no library in the package"
find "$work/root" -name 'mqomodel.pc' | grep -q . || fail "no pkg-config file"
find "$work/root" -name 'MqoModelConfig.cmake' | grep -q . || fail "no CMake package"

printf 'Metasequoia Document\nFormat Text Ver 1.0\nObject "t" {\n\tvisible 15\n\tvertex 3 {\n\t\t0 0 0\n\t\t100 0 0\n\t\t0 100 0\n\t}\n\tface 1 {\n\t\t3 V(0 1 2)\n\t}\n}\nEof\n' >"$work/t.mqo"
ASAN_OPTIONS=detect_leaks=0 "$work/root/usr/bin/mqo2png" -s 48 "$work/t.mqo" "$work/t.png" ||
    fail "mqo2png from the package failed"
head -c 8 "$work/t.png" | od -An -tx1 | grep -q '89 50 4e 47 0d 0a 1a 0a' || fail "no PNG written"
echo "package: $(basename "$deb") holds the library, tools, man pages and desktop entries; mqo2png runs"
