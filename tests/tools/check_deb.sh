#!/usr/bin/env bash
# Builds the Debian packages from a shared, unsanitised build of their own,
# holds them to lintian, unpacks them into a scratch root with dpkg -x, builds
# a C program against the -dev package there and runs mqo2png from there.
#   check_deb.sh SOURCE_DIR
set -euo pipefail
source_dir=$(realpath "$1")
work=$(mktemp -d /tmp/mqo_deb.XXXXXX)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
maintainer="Package Test <packager@example.com>"

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache
                                           -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$source_dir" -B "$work/build" -DBUILD_SHARED_LIBS=ON -DMQO_BUILD_APP=OFF \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
    -DMQO_PACKAGE_MAINTAINER="$maintainer" "${launcher[@]}" >"$work/build.log" 2>&1 &&
    cmake --build "$work/build" -j2 >>"$work/build.log" 2>&1 &&
    (cd "$work/build" && cpack -G DEB -B "$work/pack" >>"$work/build.log" 2>&1) ||
    { cat "$work/build.log" >&2; fail "building the packages failed"; }

runtime=$(ls "$work"/pack/libmqomodel[0-9]*.deb)
dev=$(ls "$work"/pack/libmqomodel-dev_*.deb)
tools=$(ls "$work"/pack/mqo-tools_*.deb)
[ "$(ls "$work"/pack/*.deb | wc -l)" -eq 3 ] || fail "not three packages: $(ls "$work/pack")"
version=$(dpkg-deb -f "$runtime" Version)
for deb in "$runtime" "$dev" "$tools"; do
    [ "$(dpkg-deb -f "$deb" Maintainer)" = "$maintainer" ] || fail "$deb: maintainer not from the cache"
done
grep -qF "libmqomodel0.2 (= $version)" <<<"$(dpkg-deb -f "$dev" Depends)" ||
    fail "-dev does not depend on its run-time library: $(dpkg-deb -f "$dev" Depends)"
grep -qF "libmqomodel0.2 (= $version)" <<<"$(dpkg-deb -f "$tools" Depends)" ||
    fail "tools do not depend on the run-time library: $(dpkg-deb -f "$tools" Depends)"
grep -q 'libspng' <<<"$(dpkg-deb -f "$runtime" Depends)" || fail "shlibdeps found no PNG library"

if command -v lintian >/dev/null; then
    # Errors and warnings fail; lintian's informational tags do not.
    status=0
    lintian --fail-on error,warning "$runtime" "$dev" "$tools" >"$work/lintian.log" 2>&1 || status=$?
    grep -v 'root privileges' "$work/lintian.log" || true
    [ "$status" -eq 0 ] || fail "lintian found errors or warnings (above)"
else
    echo "SKIP lintian: not installed (scripts/deps.sh test installs it)"
fi

for deb in "$runtime" "$dev" "$tools"; do dpkg -x "$deb" "$work/root"; done
root=$work/root
soname=$(readelf -d "$root"/usr/lib/*/libmqomodel.so.*.*.* | sed -n 's/.*SONAME.*\[\(.*\)\]/\1/p')
# Debian policy: the run-time package is named after the SONAME.
[ "$(basename "$runtime" | cut -d_ -f1)" = "$(sed 's/\.so\.//' <<<"$soname")" ] ||
    fail "package $(basename "$runtime") for SONAME $soname"
dpkg-deb --ctrl-tarfile "$runtime" | tar -x -O ./shlibs | grep -qx "libmqomodel 0.2 libmqomodel0.2 (>= $version)" ||
    fail "no shlibs entry for $soname"
[ "$(dpkg-deb --ctrl-tarfile "$runtime" | tar -x -O ./triggers)" = "activate-noawait ldconfig" ] ||
    fail "no ldconfig trigger"
for f in usr/bin/mqo2png usr/bin/mqo2gltf usr/bin/mqoview usr/include/mqo/MqoModel.h \
    usr/include/mqo/MqoModelGltf.h usr/share/man/man1/mqo2png.1.gz \
    usr/share/man/man1/mqo2gltf.1.gz usr/share/man/man1/mqoview.1.gz \
    usr/share/applications/mqoview.desktop usr/share/thumbnailers/mqomodel.thumbnailer \
    usr/share/mime/packages/mqomodel.xml; do
    [ -e "$root/$f" ] || fail "$f is in no package"
done
libdir=$(dirname "$(find "$root" -name mqomodel.pc)")/..
[ -e "$libdir/cmake/MqoModel/MqoModelConfig.cmake" ] || fail "no CMake package"
grep -q '/libmqomodel\.a$' <<<"$(dpkg-deb -c "$dev")" || fail "-dev holds no static library"

# The .pc file finds its prefix from its own place, so it works in the root.
# shellcheck disable=SC2046
PKG_CONFIG_PATH="$libdir/pkgconfig" gcc -std=c11 -Wall -Wextra -Werror -o "$work/consumer" \
    "$source_dir/tests/install/consumer/main.c" $(PKG_CONFIG_PATH="$libdir/pkgconfig" pkg-config --cflags --libs mqomodel)
[ "$(LD_LIBRARY_PATH="$libdir" "$work/consumer")" = null ] || fail "C program against the -dev package"

readelf -d "$root/usr/bin/mqo2png" | grep -q 'RPATH\|RUNPATH' && fail "mqo2png carries a run path"
printf 'Metasequoia Document\nFormat Text Ver 1.0\nObject "t" {\n\tvisible 15\n\tvertex 3 {\n\t\t0 0 0\n\t\t100 0 0\n\t\t0 100 0\n\t}\n\tface 1 {\n\t\t3 V(0 1 2)\n\t}\n}\nEof\n' >"$work/t.mqo"
LD_LIBRARY_PATH="$libdir" "$root/usr/bin/mqo2png" -s 48 "$work/t.mqo" "$work/t.png" ||
    fail "mqo2png from the package failed"
head -c 8 "$work/t.png" | od -An -tx1 | grep -q '89 50 4e 47 0d 0a 1a 0a' || fail "no PNG written"
LD_LIBRARY_PATH="$libdir" "$root/usr/bin/mqo2gltf" "$work/t.mqo" "$work/t.glb" ||
    fail "mqo2gltf from the package failed"
[ "$(head -c 4 "$work/t.glb")" = glTF ] || fail "no glb written"
echo "packages: $(cd "$work/pack" && echo *.deb) pass lintian; a C program builds against them; mqo2png and mqo2gltf run"
