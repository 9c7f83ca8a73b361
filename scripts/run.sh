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

# Loading the character touches about 150 MB of fresh memory (vertex arrays
# and the driver's copies of them). Letting malloc ask for 2 MB pages instead
# of 4 KB ones saves page faults: the program's loading on two cores went from
# about 76 ms to 67 ms here (bench/README.md). It is set for this program
# only: a process that loads on one thread is slower with it.
export GLIBC_TUNABLES="${GLIBC_TUNABLES:+$GLIBC_TUNABLES:}glibc.malloc.hugetlb=1"

if [ -n "${DISPLAY:-}" ]; then
    # The program reads vindle/ from its working directory.
    cd "$build/app"
    exec ./ambletoe
fi
exec bash "$root/scripts/capture.sh" "$build"
