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

if [ -n "${DISPLAY:-}" ]; then
    # The program reads vindle/ from its working directory.
    cd "$build/app"
    exec ./ambletoe
fi
exec bash "$root/scripts/capture.sh" "$build"
