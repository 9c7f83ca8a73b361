#!/usr/bin/env bash
# README's pictures, drawn with mqo2png from the corpus beside the project:
#   scripts/pictures.sh contact  [MQO2PNG]  every corpus document on one labelled sheet
#   scripts/pictures.sh profiles [MQO2PNG]  four documents with the exact subset and
#                                           with the complete profile, side by side
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
what=${1:-}
mqo2png=${2:-$root/build/release/tools/mqo2png}
corpus=$root/../shared/corpus
[ -x "$mqo2png" ] || { echo "pictures.sh: no $mqo2png; build first" >&2; exit 1; }
[ -d "$corpus" ] || { echo "pictures.sh: no corpus at $corpus" >&2; exit 1; }
work=$(mktemp -d /tmp/mqo_pictures.XXXXXX)
trap 'rm -rf "$work"' EXIT

# tile NAME LABEL DOCUMENT [mqo2png options]: draws one labelled tile.
tiles=()
tile() {
    local file="$work/$1.png" label=$2 document=$3
    shift 3
    "$mqo2png" -s 256 "$@" "$document" "$file" >/dev/null 2>&1 || return 0
    tiles+=(-label "$label" "$file")
}

case "$what" in
contact)
    output=$root/docs/corpus_contact_sheet.png
    while read -r d; do
        rel=${d#"$corpus"/}
        tile "$(echo "$rel" | tr '/' '_')" "$(basename "$rel" | cut -c1-26)" "$d"
    done < <(find "$corpus" -type f \( -name '*.mqo' -o -name '*.mqoz' \) | sort)
    columns=6 size=160
    ;;
profiles)
    output=$root/docs/exact_and_complete.png
    for name in miku01 medaka mirrored autocsg_sample; do
        d=$(find "$corpus" -name "$name.mqo" | sort | head -n 1)
        [ -n "$d" ] || continue
        tile "${name}_exact" "$name: exact subset" "$d" --exact
        tile "${name}_complete" "$name: complete profile" "$d"
    done
    columns=4 size=220
    ;;
*)
    echo "usage: pictures.sh contact|profiles [MQO2PNG]" >&2
    exit 2
    ;;
esac
/usr/bin/montage "${tiles[@]}" -tile "${columns}x" -geometry "${size}x${size}+12+6" \
    -font DejaVu-Sans -pointsize 12 -background '#e8e8e8' "$output"
echo "pictures.sh: $((${#tiles[@]} / 3)) pictures in $output"
