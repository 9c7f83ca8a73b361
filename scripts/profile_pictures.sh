#!/usr/bin/env bash
# Draws four corpus documents with the exact subset and with the complete
# profile, side by side (README's picture of the two readings).
#   scripts/profile_pictures.sh [MQO2PNG] [CORPUS] [OUTPUT]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
mqo2png=${1:-$root/build/release/tools/mqo2png}
corpus=${2:-$root/../shared/corpus}
output=${3:-$root/docs/exact_and_complete.png}
work=$(mktemp -d /tmp/mqo_profiles.XXXXXX)
trap 'rm -rf "$work"' EXIT

documents=(wanwan__mqoparser/hachune/miku01.mqo wanwan__mqoparser/medaka/medaka.mqo
           nutti__blender-mqo/mirrored.mqo devil-tamachan__MQShrinkWrap/test.mqo)
tiles=()
for d in "${documents[@]}"; do
    name=$(basename "$d" .mqo)
    "$mqo2png" -s 256 --exact "$corpus/$d" "$work/${name}_exact.png" >/dev/null 2>&1 || true
    "$mqo2png" -s 256 "$corpus/$d" "$work/${name}_complete.png" >/dev/null 2>&1 || true
    tiles+=(-label "$name: exact subset" "$work/${name}_exact.png"
            -label "$name: complete profile" "$work/${name}_complete.png")
done
/usr/bin/montage "${tiles[@]}" -tile 4x -geometry 256x256+6+6 -pointsize 13 \
    -background '#e8e8e8' "$output"
echo "exact subset and complete profile: $output"
