#!/usr/bin/env bash
# Checks the boundary between the library's two stages: no file of the CPU
# stage (mqo/read, mqo/mesh, mqo/image, mqo/export) includes a GL or window-system
# header, directly or through the library's own headers, as the build
# compiles them. Exits non-zero naming each file that does. Files of one
# system only (*_posix.cpp, *_windows.cpp) are checked for the system named by
# MQO_STAGE_SYSTEM (posix, or windows with a MinGW CXX), with the extra
# compiler flags in MQO_STAGE_FLAGS.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cxx=${CXX:-c++}
system=${MQO_STAGE_SYSTEM:-posix}
read -ra flags <<<"${MQO_STAGE_FLAGS:-}"
status=0
checked=0
for file in "$root"/mqo/read/* "$root"/mqo/mesh/* "$root"/mqo/image/* "$root"/mqo/export/*; do
    case "$file" in *.cpp | *.h) ;; *) continue ;; esac
    case "$file" in *_posix.cpp | *_windows.cpp) [[ "$file" == *_"$system".cpp ]] || continue ;; esac
    deps=$("$cxx" -std=c++17 -x c++ -M -I"$root" "${flags[@]}" "$file")
    if grep -Eq '(^|[[:space:]/])(GL|EGL|KHR|GLES[0-9]*)/|MqoModelGL\.h' <<<"$deps"; then
        echo "FAIL: ${file#"$root"/} includes a GL header:" >&2
        tr ' \\' '\n\n' <<<"$deps" | grep -E '(GL|EGL|KHR)/|MqoModelGL\.h' | sed 's/^/    /' >&2
        status=1
    fi
    checked=$((checked + 1))
done
[ "$checked" -gt 0 ] || { echo "FAIL: no CPU-stage sources found" >&2; exit 1; }
[ "$status" -eq 0 ] && echo "CPU stage: $checked files, no GL header"
exit "$status"
