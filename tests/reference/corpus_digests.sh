#!/usr/bin/env bash
# Every corpus document, read exactly, still gives what it gave when its digest
# was recorded: the SHA-256 of its whole dump (model, uploads, GL calls,
# console messages), keyed by the SHA-256 of the document's bytes, so a
# document that changes or is new is reported, not judged.
#   corpus_digests.sh DUMP SOURCE_DIR check|record
set -euo pipefail
dump=$(realpath "$1") source_dir=$(realpath "$2") mode=$3
list="$source_dir/tests/reference/corpus_digests.txt"
corpus="$source_dir/../shared/corpus"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if [ ! -d "$corpus" ]; then
    echo "SKIP: no corpus beside the project"
    exit 0
fi

# The dump of one document, loaded from its own folder by its bare name, so
# the texture paths in it do not depend on where the corpus lies.
digest_of() {
    (cd "$(dirname "$1")" && "$dump" model "$(basename "$1")" "$work/dump" >"$work/out") ||
        { echo "FAIL: cannot dump $1" >&2; return 1; }
    cat "$work/out" >>"$work/dump"
    sha256sum <"$work/dump" | cut -d' ' -f1
}

checked=0 unknown=0 failed=0
[ "$mode" = record ] && : >"$work/new_list"
while IFS= read -r -d '' doc; do
    key=$(sha256sum <"$doc" | cut -d' ' -f1)
    got=$(digest_of "$doc") || exit 1
    name=${doc#"$corpus"/}
    if [ "$mode" = record ]; then
        echo "$key $got $name" >>"$work/new_list"
        continue
    fi
    want=$(awk -v k="$key" '$1 == k { print $2; exit }' "$list")
    if [ -z "$want" ]; then
        echo "not recorded: $name"
        unknown=$((unknown + 1))
    elif [ "$want" != "$got" ]; then
        echo "FAIL: $name reads differently from when it was recorded"
        failed=$((failed + 1))
    else
        checked=$((checked + 1))
    fi
done < <(find "$corpus" \( -name '*.mqo' -o -name '*.MQO' \) -print0 | sort -z)

if [ "$mode" = record ]; then
    cp "$work/new_list" "$list"
    echo "recorded $(wc -l <"$list") documents"
    exit 0
fi
echo "$checked documents read as recorded, $unknown not recorded, $failed differ"
[ "$failed" -eq 0 ]
