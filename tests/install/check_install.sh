#!/usr/bin/env bash
# Installs the library into a temporary prefix and builds three programs
# against it: one through find_package(MqoModel), one through pkg-config, and
# one in C through pkg-config.
set -euo pipefail
source_dir=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake -S "$source_dir" -B "$work/build" -DMQO_BUILD_APP=OFF -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$work/build" -j2 >/dev/null
cmake --install "$work/build" --prefix "$work/prefix" >/dev/null
test -f "$work/prefix/include/mqo/MqoModel.h"
test -f "$work/prefix/include/mqo/MqoModelStages.h"

cmake -S "$(dirname "$0")/consumer" -B "$work/consumer" -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null
cmake --build "$work/consumer" >/dev/null
[ "$("$work/consumer/consumer")" = null ]

export PKG_CONFIG_PATH="$work/prefix/lib/pkgconfig:$work/prefix/lib/x86_64-linux-gnu/pkgconfig"
# shellcheck disable=SC2046
g++ -std=c++17 -o "$work/pc-consumer" "$(dirname "$0")/consumer/main.cpp" \
    $(pkg-config --cflags --libs mqomodel)
[ "$("$work/pc-consumer")" = null ]
# shellcheck disable=SC2046
gcc -std=c11 -Wall -Wextra -Werror -o "$work/c-consumer" "$(dirname "$0")/consumer/main.c" \
    $(pkg-config --cflags --libs mqomodel) -lstdc++ -lm
[ "$("$work/c-consumer")" = null ]
echo "installed library builds through find_package and pkg-config, from C++ and C"
