#!/usr/bin/env bash
# Builds ambletoe and its character, then plays the walking script.
# With a display the window opens there. Without one the program plays under
# a private virtual X server, pictures of the playback are saved, and the
# script says where they are.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/release"

bash "$root/scripts/deps.sh" run

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DMQO_BUILD_APP=ON
cmake --build "$build" -j"$(nproc)"

# No allocator tunables: with glibc.malloc.hugetlb=1 most starts load a
# sixth faster, but about one in six takes three times as long
# (bench/README.md), so the program starts as it would from a shell.

if [ -n "${DISPLAY:-}" ]; then
    # The program reads vindle/ from its working directory.
    cd "$build/app"
    exec ./ambletoe
fi
exec bash "$root/scripts/capture.sh" "$build"
