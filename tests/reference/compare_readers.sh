#!/usr/bin/env bash
# Loads the same files with the current reader and with the reference build
# (the line-at-a-time stdio stream, the sscanf patterns and the byte-at-a-time
# image reader) and requires identical dumps (models, uploaded buffers, GL
# calls and console messages), byte for byte:
#   compare_readers.sh DUMP REFERENCE_DUMP MAKE_CHARACTER SOURCE_DIR
# Documents: the character's 150 frames, two large synthetic ones (text and
# binary vertices), the fuzz seeds, and the real-document corpus when it is
# there; a document with a line of more than 255 bytes is left out, since the
# first reader cut such a line into pieces and now it is read whole. Images: BMP and TGA files of several widths, whole and cut short,
# alone and with each alpha plane, at two alpha bytes.
set -euo pipefail
dump=$1 reference=$2 make_character=$3 source_dir=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/fixtures"
"$dump" fixtures "$work/fixtures"
"$dump" synthetic "$work/fixtures/synthetic_text.mqo" 40000
"$dump" synthetic "$work/fixtures/synthetic_binary.mqo" 40000 binary
"$make_character" "$work/character" >/dev/null

docs=("$work"/fixtures/*.mqo "$work"/character/vindle/*.mqo "$source_dir"/tests/fuzz/corpus/fuzz_document/*)
corpus="$source_dir/../shared/corpus"
if [ -d "$corpus" ]; then
    while IFS= read -r -d '' f; do docs+=("$f"); done < <(find "$corpus" -name '*.mqo' -print0 | sort -z)
fi

same() {
    cmp -s "$work/new" "$work/old" || { echo "FAIL: $* differs between the readers"; exit 1; }
}

# True when a line (not a binary vertex block, which follows its "Vector"
# line) is longer than 255 bytes.
has_long_line() {
    perl -e 'open(my $f, "<:raw", $ARGV[0]) or exit 1; my $long = 0;
        while (my $line = <$f>) {
            $long = 1 if length($line) > 255;
            read($f, my $block, $1) if $line =~ /Vector\s*-?\d+\s*\[(\d+)\]/;
        }
        exit($long ? 0 : 1)' "$1"
}

count=0 long=0
for doc in "${docs[@]}"; do
    [ -f "$doc" ] || continue
    if has_long_line "$doc"; then
        long=$((long + 1))
        continue
    fi
    # The console messages count too: appended after the dump.
    (cd "$(dirname "$doc")" && "$dump" model "$doc" "$work/new" >"$work/new.out" &&
        "$reference" model "$doc" "$work/old" >"$work/old.out")
    cat "$work/new.out" >>"$work/new"
    cat "$work/old.out" >>"$work/old"
    same "$doc"
    count=$((count + 1))
done

# Every texture alone and with every alpha plane of its width (and one of
# another width), at an alpha byte that clamps and at 255.
list="$work/images.txt"
: >"$list"
for tex in "$work"/fixtures/colour_*.bmp "$work"/fixtures/tga24_*.tga "$work"/fixtures/tga32_*.tga; do
    width=$(basename "$tex" | cut -d_ -f2 | cut -d. -f1)
    for alpha in - "$work"/fixtures/tga8_"$width"*.tga "$work"/fixtures/tga32_"$width"*.tga \
                 "$work/fixtures/tga8_3.tga"; do
        echo "$tex $alpha 100" >>"$list"
        echo "$tex $alpha 255" >>"$list"
    done
done
for alpha in "$work"/fixtures/tga8_*.tga; do echo "- $alpha 200" >>"$list"; done
"$dump" images "$list" "$work/new" >/dev/null
"$reference" images "$list" "$work/old" >/dev/null
same "an image read"
images=$(wc -l <"$list")
echo "$count documents and $images image reads are identical between the readers" \
    "($long documents with longer lines left out)"
