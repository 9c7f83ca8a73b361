#!/usr/bin/env bash
# Builds everything with AddressSanitizer, UBSan and warnings as errors (clang,
# with the libFuzzer targets) and runs every test headless. Exits non-zero when
# any test fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/test"

bash "$root/scripts/deps.sh" test

# Every C and C++ source must be as .clang-format writes it.
(cd "$root" && git ls-files -z '*.c' '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror) || {
    echo "FAIL: sources not formatted; run: git ls-files '*.c' '*.cpp' '*.h' | xargs clang-format -i" >&2
    exit 1
}

# The CPU stage of the library includes no GL header.
CXX=clang++ bash "$root/scripts/check_stages.sh"

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DMQO_BUILD_TESTS=ON -DMQO_BUILD_BENCH=ON -DMQO_BUILD_FUZZ=ON -DMQO_SANITIZE=ON \
    -DMQO_WERROR=ON
cmake --build "$build" -j"$(nproc)"

if [ -z "${DISPLAY:-}" ]; then
    source "$root/scripts/xvfb.sh"
    start_xvfb
    trap stop_xvfb EXIT
fi

ctest --test-dir "$build" --output-on-failure -j2 --timeout 900

# The loads on worker threads again under ThreadSanitizer, which cannot share
# a build with AddressSanitizer: the library and those tests only.
tsan="$root/build/test-tsan"
CC=clang CXX=clang++ cmake -S "$root" -B "$tsan" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DMQO_BUILD_TESTS=ON -DMQO_SANITIZE_THREAD=ON -DMQO_WERROR=ON -DMQO_BUILD_APP=OFF \
    -DMQO_BUILD_TOOLS=OFF
cmake --build "$tsan" -j"$(nproc)"
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
    ctest --test-dir "$tsan" --output-on-failure -j2 --timeout 900

# The Windows build, cross-compiled, and its tests under Wine; a SKIP line
# when its packages cannot be installed. Its mqo2png is held to this build's.
bash "$root/scripts/windows.sh" test "$build/tools/mqo2png"
