#!/usr/bin/env bash
# Renders every document of the corpus with mqo2png and lays the pictures out
# as one labelled contact sheet (README's picture of the tools).
#   scripts/contact_sheet.sh [MQO2PNG] [CORPUS] [OUTPUT]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
mqo2png=${1:-$root/build/release/tools/mqo2png}
corpus=${2:-$root/../shared/corpus}
output=${3:-$root/docs/corpus_contact_sheet.png}
work=$(mktemp -d /tmp/mqo_sheet.XXXXXX)
trap 'rm -rf "$work"' EXIT

mapfile -t docs < <(find "$corpus" -type f \( -name '*.mqo' -o -name '*.mqoz' \) | sort)
# Names within the corpus keep pictures of equal file names apart.
tiles=()
for d in "${docs[@]}"; do
    rel=${d#"$corpus"/}
    tile="$work/$(echo "$rel" | tr '/' '_').png"
    "$mqo2png" -s 192 "$d" "$tile" >/dev/null 2>&1 || continue
    tiles+=("-label" "$(basename "$(dirname "$rel")" | cut -c1-24)/$(basename "$rel")" "$tile")
done
/usr/bin/montage "${tiles[@]}" -tile 6x -geometry 192x192+6+6 -pointsize 11 \
    -background '#e8e8e8' "$output"
echo "contact sheet of ${#docs[@]} documents: $output"
