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

# No allocator tunables here: ambletoe starts itself again with 2 MB heap
# pages where a fresh 4 KiB page is slow to fault, and keeps small pages
# where they are cheap, since 2 MB ones have then been seen to make one start
# in six three times as long (bench/README.md). GLIBC_TUNABLES naming
# glibc.malloc.hugetlb, set by hand, overrides its choice.

if [ -n "${DISPLAY:-}" ]; then
    # The program reads vindle/ from its working directory.
    cd "$build/app"
    exec ./ambletoe
fi
exec bash "$root/scripts/capture.sh" "$build"
