#!/usr/bin/env bash
# The glb files mqo2gltf writes, checked by tools no one here wrote:
#   glb_checks.sh validator|three SOURCE_DIR NODE_DIR MQO2GLTF [MQO2PNG]
# validator: the Khronos glTF validator reports no error and no warning for
# the glb of every corpus document and test fixture. three: three.js draws
# each in headless Chromium as mqo2png draws the document (silhouette IoU at
# least 0.95, mean colour difference in the overlap at most 16/255; see
# tests/tools/glb_node/page.html). The npm packages are installed into
# NODE_DIR from the committed lock file. Exit 77 (a ctest skip) with a SKIP
# line when Node, npm or Chromium is missing or the packages cannot be had.
set -euo pipefail
mode=$1 source_dir=$2 node_dir=$3 mqo2gltf=$4 mqo2png=${5:-}
here="$source_dir/tests/tools/glb_node"
skip() { echo "SKIP: $*"; exit 77; }

command -v node >/dev/null || skip "node is not installed (scripts/deps.sh test installs it)"
command -v npm >/dev/null || skip "npm is not installed (scripts/deps.sh test installs it)"
chromium=${CHROMIUM:-/usr/bin/chromium}
if [ "$mode" = three ] && [ ! -x "$chromium" ]; then
    skip "no Chromium at $chromium (scripts/deps.sh test installs Debian's chromium)"
fi

# One install for both tests, even when ctest runs them at once.
mkdir -p "$node_dir"
(
    flock 9
    if ! cmp -s "$here/package-lock.json" "$node_dir/installed.lock"; then
        cp "$here/package.json" "$here/package-lock.json" "$node_dir/"
        if ! (cd "$node_dir" && PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund \
                >"$node_dir/npm.log" 2>&1); then
            exit 3
        fi
        cp "$here/package-lock.json" "$node_dir/installed.lock"
    fi
    # Under the lock too: two copies over one file at once can fail.
    cp "$here"/*.mjs "$here/page.html" "$node_dir/"
) 9>"$node_dir/.lock" || skip "npm could not install the checking tools (see $node_dir/npm.log)"

work="$node_dir/work-$mode"
rm -rf "$work"
mkdir -p "$work"
documents=()
corpus="$source_dir/../shared/corpus"
if [ -d "$corpus" ]; then
    while IFS= read -r f; do documents+=("$f"); done \
        < <(find "$corpus" -type f \( -name '*.mqo' -o -name '*.mqoz' \) | LC_ALL=C sort)
else
    echo "note: no corpus beside the project; the fixtures alone are checked"
fi
documents+=("$source_dir"/tests/export/fixtures/*.mqo)

# Both tools name their files alike (NAME-2 for a second NAME), so the pairs match.
"$mqo2gltf" --out-dir "$work" "${documents[@]}" >/dev/null
if [ "$mode" = validator ]; then
    exec node "$node_dir/validate.mjs" "$work"/*.glb
fi
EGL_PLATFORM=surfaceless "$mqo2png" --out-dir "$work" "${documents[@]}" >/dev/null
pairs=()
for glb in "$work"/*.glb; do pairs+=("$glb" "${glb%.glb}.png"); done
CHROMIUM=$chromium exec node "$node_dir/compare.mjs" "$work" 16 "${pairs[@]}"
