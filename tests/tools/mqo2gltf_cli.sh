#!/usr/bin/env bash
# mqo2gltf as users run it: help, the single form, a batch with a bad file
# and two inputs of one name, usage mistakes. usage: mqo2gltf_cli.sh MQO2GLTF SOURCE_DIR
set -uo pipefail
tool=$1 fixtures=$2/tests/export/fixtures
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

"$tool" --help | grep -q '^usage: mqo2gltf' || fail "--help"
"$tool" "$fixtures/shapes.mqo" "$work/one.glb" || fail "the single form failed"
[ "$(head -c 4 "$work/one.glb")" = glTF ] || fail "no glb written"

mkdir -p "$work/a" "$work/b"
cp "$fixtures/shapes.mqo" "$work/a/same.mqo"
cp "$fixtures/materials.mqo" "$work/b/same.mqo"
echo "not a model" >"$work/bad.mqo"
"$tool" --out-dir "$work/out" "$work/a/same.mqo" "$work/bad.mqo" "$work/b/same.mqo" \
    >"$work/stdout" 2>"$work/stderr"
status=$?
[ "$status" = 1 ] || fail "a batch with a bad file exits $status"
[ -s "$work/out/same.glb" ] && [ -s "$work/out/same-2.glb" ] || fail "two inputs of one name: $(ls "$work/out")"
cmp -s "$work/out/same.glb" "$work/one.glb" || fail "the first same.glb was overwritten"
[ "$(grep -c 'bad.mqo' "$work/stderr")" = 1 ] || fail "not one line for the bad file: $(cat "$work/stderr")"
grep -q "written as $work/out/same-2.glb" "$work/stderr" || fail "the rename was not told"
grep -q '1 of 3 failed' "$work/stderr" || fail "no count of failures"
[ "$(cat "$work/stdout")" = "1/3 $work/a/same.mqo
2/3 $work/bad.mqo
3/3 $work/b/same.mqo" ] || fail "progress off a terminal: $(cat "$work/stdout")"

"$tool" --scale 0 a.mqo b.glb 2>/dev/null
[ $? = 2 ] || fail "a scale of 0 is no usage mistake"
"$tool" only-one.mqo 2>/dev/null
[ $? = 2 ] || fail "one argument is no usage mistake"
echo "mqo2gltf: help, single form, batch (bad file, same names, progress) and usage as expected"
