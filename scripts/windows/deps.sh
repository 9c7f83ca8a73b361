#!/usr/bin/env bash
# Builds the libraries the Windows build links, static, from Debian's own
# source packages with the MinGW-w64 toolchain, into one prefix.
#   scripts/windows/deps.sh PREFIX [LIB...]   the libraries (all, or those named)
#   scripts/windows/deps.sh --packages        only the Debian packages, Wine too
# Sources and builds are kept under build/windows/deps-work (beside, never
# inside, a prefix such as build/windows/deps); a library whose stamp is in
# PREFIX is not built again. PREFIX/STATUS says, one line per library, what
# was built from which source package, or why it failed.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
toolchain=$root/scripts/windows/toolchain-mingw64.cmake
work=$root/build/windows/deps-work
triple=x86_64-w64-mingw32

# The packages are the project's "windows" group.
install_packages() { bash "$root/scripts/deps.sh" windows; }

if [ "${1:-}" = --packages ]; then
    install_packages
    exit 0
fi
[ $# -ge 1 ] || { echo "usage: $0 PREFIX [LIB...] | --packages" >&2; exit 2; }
prefix=$(realpath -m "$1")
shift
install_packages
mkdir -p "$prefix"/{lib/pkgconfig,include,.stamps} "$work"/{src,build}

# A private apt configuration that knows the deb-src lines of the system's
# own sources, so `apt-get source` works without touching /etc/apt.
apt_dir=$work/apt
apt_opts=(-o Dir::Etc::SourceList=/dev/null -o "Dir::Etc::SourceParts=$apt_dir/sources"
          -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache")
apt_ready=
apt_sources() {
    [ -n "$apt_ready" ] && return 0
    mkdir -p "$apt_dir"/{sources,lists/partial,cache/archives/partial}
    local f out=$apt_dir/sources/debian-src.sources
    : >"$out"
    # Debian's own entries only: other vendors' archives may have no sources.
    for f in /etc/apt/sources.list.d/*.sources; do
        [ -e "$f" ] && grep -q 'debian\.org' "$f" || continue
        sed 's/^Types:.*/Types: deb-src/' "$f" >>"$out"
        echo >>"$out"
    done
    [ -f /etc/apt/sources.list ] &&
        sed -n '/debian\.org/s/^deb \(.*\)/deb-src \1/p' /etc/apt/sources.list \
            >"$apt_dir/sources/debian-src.list"
    apt-get "${apt_opts[@]}" update -qq
    apt_ready=1
}

# fetch SRCPKG: unpacks Debian's source package (its patches applied) once;
# prints the source folder. The version goes to $srcver.
fetch() {
    local pkg=$1 dir=$work/src/$1
    if ! ls "$dir"/*.dsc >/dev/null 2>&1 || [ ! -f "$dir/.unpacked" ]; then
        apt_sources
        rm -rf "$dir" && mkdir -p "$dir"
        (cd "$dir" && apt-get "${apt_opts[@]}" source -qq "$pkg" >"$dir/.log" 2>&1) ||
            unpack_orig "$dir" || { cat "$dir/.log" >&2; return 1; }
        touch "$dir/.unpacked"
    fi
    srcver=$(sed -n 's/^Version: //p' "$dir"/*.dsc | head -1)
    [ -f "$dir/.orig-only" ] && srcver="$srcver (upstream tarball only)"
    srcdir=$(find "$dir" -mindepth 1 -maxdepth 1 -type d | head -1)
}

# When the mirror lacks a package's debian.tar (it happens), the source package's
# own upstream tarball, checked against the .dsc, is used without Debian's
# patches; the version then says so.
unpack_orig() {
    local dir=$1 orig sum
    orig=$(ls "$dir"/*.orig.tar.* 2>/dev/null | head -1)
    [ -n "$orig" ] && ls "$dir"/*.dsc >/dev/null 2>&1 || return 1
    sum=$(awk -v f="$(basename "$orig")" '/^Checksums-Sha256:/{on=1;next} /^[^ ]/{on=0} on && $3==f{print $1}' "$dir"/*.dsc)
    [ -n "$sum" ] && echo "$sum  $orig" | sha256sum -c --quiet - || return 1
    tar -xf "$orig" -C "$dir" && touch "$dir/.orig-only"
    echo "$(basename "$dir"): Debian's patches unavailable, upstream tarball used" >&2
}

status() { # LIB ok|failed TEXT
    local f=$prefix/STATUS
    touch "$f"
    grep -v "^$1 " "$f" >"$f.tmp" || true
    echo "$1 $2 $3" >>"$f.tmp"
    mv "$f.tmp" "$f"
}

cmake_build() { # NAME SRCDIR CMAKE-ARGS...
    local name=$1 src=$2
    shift 2
    local b=$work/build/$name
    rm -rf "$b"
    cmake -S "$src" -B "$b" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DMQO_WINDOWS_PREFIX="$prefix" -DCMAKE_INSTALL_PREFIX="$prefix" \
        -DCMAKE_INSTALL_LIBDIR=lib -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF \
        -DCMAKE_CROSSCOMPILING_EMULATOR= "$@" >"$b.log" 2>&1 || { tail -30 "$b.log" >&2; return 1; }
    cmake --build "$b" -j2 >>"$b.log" 2>&1 || { tail -30 "$b.log" >&2; return 1; }
    cmake --install "$b" >>"$b.log" 2>&1 || { tail -30 "$b.log" >&2; return 1; }
}

. "$root/scripts/windows/deps_libs.sh"

all=(freeglut zlib libspng meshoptimizer libzip libjpeg-turbo libepoxy nlohmann-json3 libstb tinygltf)
[ $# -gt 0 ] && all=("$@")
failed=0
for lib in "${all[@]}"; do
    stamp=$prefix/.stamps/$lib
    if [ -f "$stamp" ]; then
        echo "$lib: already in $prefix ($(cat "$stamp"))"
        continue
    fi
    start=$SECONDS
    echo "$lib: building"
    # A subshell run as a condition would ignore set -e; run it plainly.
    set +e
    (set -e; "build_${lib//-/_}")
    rc=$?
    set -e
    if [ $rc -eq 0 ]; then
        ver=$(cat "$work/build/$lib.version")
        echo "$ver" >"$stamp"
        status "$lib" ok "$ver, $((SECONDS - start)) s"
        echo "$lib: ok ($ver, $((SECONDS - start)) s)"
    else
        status "$lib" failed "see $work/build/$lib.log"
        echo "$lib: FAILED (log: $work/build/$lib.log)" >&2
        failed=1
    fi
done
exit $failed
