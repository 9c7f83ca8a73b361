#!/usr/bin/env bash
# The Windows build, cross-compiled on Debian with MinGW-w64, and its tests
# under Wine.
#   scripts/windows.sh [build]   the programs and build/windows/ambletoe-windows-x86_64.zip
#   scripts/windows.sh test [LINUX_MQO2PNG]
#                                the same, then the tests under Wine and Xvfb (mqo2png.exe
#                                against the Linux one given); exits 0 with a SKIP line
#                                when the packages cannot be installed
# The libraries it links are built from Debian's sources into
# build/windows/deps (scripts/windows/deps.sh); MQO_WINDOWS_PREFIX names
# another prefix that holds them, MQO_WINDOWS_TOOLCHAIN another toolchain file.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
mode=${1:-build}
out=$root/build/windows
prefix=${MQO_WINDOWS_PREFIX:-$out/deps}
toolchain=${MQO_WINDOWS_TOOLCHAIN:-$root/scripts/windows/toolchain-mingw64.cmake}
jobs=${MQO_JOBS:-$(nproc)}
wine_run=$root/scripts/windows/wine-run.sh
export WINEPREFIX=${WINEPREFIX:-$out/wine} WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

skip() {
    echo "SKIP: Windows build and Wine tests: $*"
    exit 0
}

# The packages are the project's "windows" group; a failure to install them
# is a skip in test mode.
install_packages() { bash "$root/scripts/deps.sh" windows; }

# GoogleTest from Debian's own source, with the same toolchain.
build_gtest() {
    local gtest=$out/gtest
    [ -f "$gtest/prefix/lib/cmake/GTest/GTestConfig.cmake" ] && return 0
    cmake -S /usr/src/googletest -B "$gtest/build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$gtest/prefix" -DBUILD_GMOCK=OFF \
        >"$gtest.log" 2>&1 || { cat "$gtest.log" >&2; return 1; }
    cmake --build "$gtest/build" -j"$jobs" >>"$gtest.log" 2>&1 &&
        cmake --install "$gtest/build" >>"$gtest.log" 2>&1 || { cat "$gtest.log" >&2; return 1; }
}

configure_and_build() {
    local tests=$1
    export PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig:$prefix/share/pkgconfig PKG_CONFIG_PATH=
    cmake -S "$root" -B "$out/build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_BUILD_TYPE=Release -DMQO_WINDOWS_PREFIX="$prefix" \
        -DCMAKE_PREFIX_PATH="$prefix" -DGTest_DIR="$out/gtest/prefix/lib/cmake/GTest" \
        -DCMAKE_CROSSCOMPILING_EMULATOR="$wine_run" -DMQO_WERROR=ON -DMQO_BUILD_TESTS="$tests"
    cmake --build "$out/build" -j"$jobs"
}

# The programs, the character's frames and a README, in one zip.
pack() {
    local name=ambletoe-windows-x86_64 stage=$out/zip
    rm -rf "$stage" "$out/$name.zip"
    mkdir -p "$stage/$name"
    cp "$out/build/app/ambletoe.exe" "$out/build/tools/"{mqo2png,mqoview,mqo2gltf}.exe "$stage/$name/"
    x86_64-w64-mingw32-strip "$stage/$name/"*.exe
    cp -r "$out/build/app/vindle" "$stage/$name/"
    cp "$root/scripts/windows/README.txt" "$stage/$name/README.txt"
    (cd "$stage" && zip -qr "$out/$name.zip" "$name")
    echo "Windows zip: $out/$name.zip ($(du -k "$out/$name.zip" | cut -f1) KiB)"
}

missing() {
    [ "$mode" = test ] && skip "$*"
    echo "FAIL: $*" >&2
    exit 1
}
[ -f "$toolchain" ] || missing "no toolchain file $toolchain"
if ! install_packages; then
    [ "$mode" = test ] && skip "the packages (scripts/deps.sh windows) cannot be installed"
    echo "FAIL: cannot install the packages (scripts/deps.sh windows)" >&2
    exit 1
fi
if [ -f "$root/scripts/windows/deps.sh" ]; then
    bash "$root/scripts/windows/deps.sh" "$prefix"
fi
[ -d "$prefix/lib" ] || missing "no Windows libraries in $prefix (scripts/windows/deps.sh builds them)"

mkdir -p "$out"
if [ "$mode" = test ]; then
    build_gtest
    configure_and_build ON
else
    configure_and_build OFF
fi
pack
[ "$mode" = test ] || exit 0

# ---- tests under Wine ----
# One wineserver for the whole run: each program then starts in milliseconds,
# not seconds.
# The stage boundary holds for the Windows halves too.
CXX=x86_64-w64-mingw32-g++-posix MQO_STAGE_SYSTEM=windows MQO_STAGE_FLAGS="-I$prefix/include" \
    bash "$root/scripts/check_stages.sh"
# The X server first: a Wine server started without one makes windows that
# fail with "CreateDC failed".
if [ -z "${DISPLAY:-}" ]; then
    source "$root/scripts/xvfb.sh"
    start_xvfb
    trap 'wineserver -k 2>/dev/null || true; stop_xvfb' EXIT
else
    trap 'wineserver -k 2>/dev/null || true' EXIT
fi
mkdir -p "$WINEPREFIX"
wineserver -p || true  # one may be running already
# Wine's services start with the first program and keep its output open; let
# them start here, with nothing to hold, or ctest waits on the first test's
# output until it times out.
"$wine_run" wineboot.exe >/dev/null 2>&1 </dev/null || true
status=0
start=$SECONDS
ctest --test-dir "$out/build" --output-on-failure -j2 --timeout 600 || status=1
bash "$root/scripts/windows/wine_checks.sh" "$out/build" "${2:-}" || status=1
echo "Wine tests: $((SECONDS - start)) s"
exit "$status"
