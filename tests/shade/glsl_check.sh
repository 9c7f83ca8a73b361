#!/usr/bin/env bash
# Compiles the shaded path's GLSL, #version 330 core and #version 300 es,
# every variant, vertex and fragment, with the reference compiler. Skips (77) without it.
# usage: glsl_check.sh GLSL_DUMP
set -euo pipefail
command -v glslangValidator >/dev/null || { echo "SKIP: no glslangValidator (glslang-tools)"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$1" "$work"
count=0
for file in "$work"/shade_*.vert "$work"/shade_*.frag; do
    glslangValidator "$file"
    count=$((count + 1))
done
[ "$count" -eq 16 ] || { echo "FAIL: $count GLSL files, not 16" >&2; exit 1; }
echo "GLSL: 330 core and 300 es, Gouraud and per pixel, textured or not, both stages: $count files compile"
