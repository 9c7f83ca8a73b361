#!/usr/bin/env bash
# Installs the library into a temporary prefix and builds programs against
# it: one through find_package(MqoModel), one through pkg-config, one in C
# through pkg-config, and a C and a C++ one with libepoxy as their GL loader.
# Then the same for the shared library (a second, library-only
# configuration), whose exported names must be exactly the public ones
# (exports.sh).
set -euo pipefail
source_dir=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake -S "$source_dir" -B "$work/build" -DMQO_BUILD_APP=OFF -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$work/build" -j2 >/dev/null
cmake --install "$work/build" --prefix "$work/prefix" >/dev/null
test -f "$work/prefix/include/mqo/MqoModel.h"
test -f "$work/prefix/include/mqo/MqoModelStages.h"
test -f "$work/prefix/include/mqo/MqoModelGL.h"
test -f "$work/prefix/include/mqo/MqoModelGltf.h"
test -f "$work/prefix/include/mqo/MqoExport.h"

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
# A program with a GL loader of its own (libepoxy) links beside the library,
# with the library's header before the loader's or after it.
for order in -DMQO_LOADER_FIRST -DMQO_HEADER_FIRST; do
    # shellcheck disable=SC2046
    gcc -std=c11 -Wall -Wextra -Werror "$order" -o "$work/epoxy-c" "$(dirname "$0")/with_epoxy.c" \
        $(pkg-config --cflags --libs mqomodel epoxy) -lstdc++ -lm
    [ "$("$work/epoxy-c")" = null ]
    # shellcheck disable=SC2046
    g++ -std=c++17 -Wall -Wextra -Werror "$order" -o "$work/epoxy-cpp" \
        "$(dirname "$0")/with_epoxy.cpp" $(pkg-config --cflags --libs mqomodel epoxy)
    [ "$("$work/epoxy-cpp")" = null ]
done

cmake -S "$source_dir" -B "$work/shared" -DBUILD_SHARED_LIBS=ON -DMQO_BUILD_APP=OFF \
    -DMQO_BUILD_TOOLS=OFF -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$work/shared" -j2 >/dev/null
cmake --install "$work/shared" --prefix "$work/shared-prefix" >/dev/null
test -f "$work/shared-prefix/include/mqo/MqoExport.h"
library=$(find "$work/shared-prefix" -name 'libmqomodel.so.*.*.*')
libdir=$(dirname "$library")
bash "$(dirname "$0")/exports.sh" "$source_dir" "$library"
# The same build installed the static library, held to the same names.
bash "$(dirname "$0")/exports.sh" "$source_dir" "$libdir/libmqomodel.a"

cmake -S "$(dirname "$0")/consumer" -B "$work/shared-consumer" \
    -DCMAKE_PREFIX_PATH="$work/shared-prefix" >/dev/null
cmake --build "$work/shared-consumer" >/dev/null
readelf -d "$work/shared-consumer/consumer" | grep -q 'NEEDED.*\[libmqomodel\.so\.'
[ "$("$work/shared-consumer/consumer")" = null ]
# and find_package gives the static one too, which leaves no run-time need.
cmake -S "$(dirname "$0")/consumer" -B "$work/static-consumer" -DMQO_CONSUMER_STATIC=ON \
    -DCMAKE_PREFIX_PATH="$work/shared-prefix" >/dev/null
cmake --build "$work/static-consumer" >/dev/null
! readelf -d "$work/static-consumer/consumer" | grep -q 'NEEDED.*libmqomodel'
[ "$("$work/static-consumer/consumer")" = null ]

# The decoders and the C++ runtime come with the shared library: a C program
# names neither.
export PKG_CONFIG_PATH="$libdir/pkgconfig"
# shellcheck disable=SC2046
gcc -std=c11 -Wall -Wextra -Werror -o "$work/c-shared-consumer" \
    "$(dirname "$0")/consumer/main.c" $(pkg-config --cflags --libs mqomodel)
readelf -d "$work/c-shared-consumer" | grep -q 'NEEDED.*\[libmqomodel\.so\.'
[ "$(LD_LIBRARY_PATH="$libdir" "$work/c-shared-consumer")" = null ]
echo "installed static and shared libraries build through find_package and pkg-config, from C++ and C"
