#!/usr/bin/env bash
# The manual header on its own: it compiles as C11 and C++17 with every
# warning an error, and neither it nor mqo/MqoModelStages.h reaches a GL
# header. Then the programs with libepoxy beside it compile, in both orders
# (check_install.sh links them against the installed library).
# usage: headers.sh SOURCE_DIR [CC CXX]
set -euo pipefail
source_dir=$1
cc=${2:-cc}
cxx=${3:-c++}
here=$(dirname "$0")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
strict=(-Wall -Wextra -Werror -pedantic -I"$source_dir")

"$cc" -std=c11 "${strict[@]}" -fsyntax-only -x c "$source_dir/mqo/MqoModel.h"
"$cxx" -std=c++17 "${strict[@]}" -fsyntax-only -x c++ "$source_dir/mqo/MqoModel.h"
"$cc" -std=c11 "${strict[@]}" -fsyntax-only -x c "$source_dir/mqo/MqoModelGltf.h"
"$cc" -std=c11 "${strict[@]}" -fsyntax-only -x c "$source_dir/mqo/MqoModelShaded.h"
for header in MqoModel.h MqoModelStages.h MqoModelGltf.h MqoModelShaded.h; do
    deps=$("$cc" -std=c11 -M -I"$source_dir" -x c "$source_dir/mqo/$header")
    if grep -Eq '(^|[[:space:]/])(GL|EGL|KHR|epoxy)/|MqoModelGL\.h' <<<"$deps"; then
        echo "FAIL: mqo/$header reaches a GL header:" >&2
        tr ' ' '\n' <<<"$deps" | grep -E '(GL|EGL|KHR|epoxy)/|MqoModelGL\.h' >&2
        exit 1
    fi
done

read -ra epoxy <<<"$(pkg-config --cflags epoxy)"
for order in -DMQO_LOADER_FIRST -DMQO_HEADER_FIRST; do
    "$cc" -std=c11 "${strict[@]}" "$order" "${epoxy[@]}" -c "$here/with_epoxy.c" -o "$work/c.o"
    "$cxx" -std=c++17 "${strict[@]}" "$order" "${epoxy[@]}" -c "$here/with_epoxy.cpp" \
        -o "$work/cpp.o"
done
echo "mqo/MqoModel.h: C11 and C++17 on its own, no GL header; beside libepoxy in either order"
