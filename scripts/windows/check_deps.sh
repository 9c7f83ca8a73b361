#!/usr/bin/env bash
# Builds one small program per library of a Windows prefix (made by
# scripts/windows/deps.sh), found the way the project finds them, and runs
# each under Wine; the freeglut and epoxy one opens a window under Xvfb.
#   scripts/windows/check_deps.sh PREFIX
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
prefix=$(realpath "${1:?usage: $0 PREFIX}")
build=$root/build/windows/check_deps
command -v wine >/dev/null || { echo "wine is not installed: scripts/windows/deps.sh --packages" >&2; exit 1; }

cmake -S "$root/scripts/windows/check_deps" -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/scripts/windows/toolchain-mingw64.cmake" \
    -DMQO_WINDOWS_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release >"$build.log" 2>&1 ||
    { cat "$build.log" >&2; exit 1; }
cmake --build "$build" -j2 >>"$build.log" 2>&1 || { tail -40 "$build.log" >&2; exit 1; }

export WINEPREFIX=${WINEPREFIX:-/tmp/wineprefix-deps} WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# The X server first: Wine's desktop process, started with the prefix or the
# server, keeps the display it found then.
. "$root/scripts/xvfb.sh"
start_xvfb || echo "no X server: the window check will fail" >&2
# The prefix made once, quietly; then a persistent server: each program
# starts in milliseconds, not seconds.
mkdir -p "$WINEPREFIX"
[ -d "$WINEPREFIX/drive_c/windows" ] || wine wineboot -i >/dev/null 2>&1 </dev/null || true
# It is already there when wineboot just ran (status 2 then).
wineserver -p >/dev/null 2>&1 </dev/null || true
trap 'wineserver -k 2>/dev/null || true; stop_xvfb 2>/dev/null || true' EXIT
failed=0
run() {
    # Output through a file: Wine's service processes, started by the first
    # program, would hold a command substitution's pipe open.
    local out rc=0
    timeout 120 wine "$build/$1.exe" >"$build/$1.out" 2>&1 </dev/null || rc=$?
    out=$(cat "$build/$1.out")
    if [ $rc -eq 0 ]; then
        echo "ok     $1: $out"
    else
        echo "FAILED $1 (status $rc): $out"
        failed=1
    fi
}
for p in zlib spng turbojpeg libzip meshoptimizer tinygltf; do run "check_$p"; done
run check_glut_epoxy
# Static: no DLL of the libraries or the compiler's runtime beside the programs.
dlls=$(x86_64-w64-mingw32-objdump -p "$build"/*.exe | sed -n 's/^\tDLL Name: //p' | sort -u | tr '\n' ' ')
echo "DLLs the programs import: $dlls"
echo "$dlls" | grep -qiE 'libstdc|libgcc|winpthread|zlib1|spng|zip|jpeg|epoxy|glut' && failed=1
exit $failed
