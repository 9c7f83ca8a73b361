#!/usr/bin/env bash
# The Windows programs under Wine, as users run them:
#   wine_checks.sh WINDOWS_BUILD [LINUX_MQO2PNG]
# ambletoe.exe plays and quits with status 0 on q, and writes its texture
# message as UTF-8 bytes (tests/e2e/ambletoe_e2e.sh through Wine);
# mqo2png.exe draws corpus documents as the Linux build's mqo2png does,
# within 2/255 per channel (skipped without the corpus or a Linux build).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(realpath "$1")
linux_mqo2png=${2:-}
wine_run=$root/scripts/windows/wine-run.sh
status=0

for case in key_q texture_message; do
    AMBLETOE_E2E_RUNNER=$wine_run AMBLETOE_E2E_QUIT_SECONDS=5 AMBLETOE_E2E_CRLF=1 \
        bash "$root/tests/e2e/ambletoe_e2e.sh" "$case" "$build/app/ambletoe.exe" \
        "$(command -v true)" || status=1
done

corpus=$root/../shared/corpus
if [ ! -d "$corpus" ]; then
    echo "SKIP: mqo2png.exe against Linux: no corpus at $corpus"
elif [ -z "$linux_mqo2png" ] || [ ! -x "$linux_mqo2png" ]; then
    echo "SKIP: mqo2png.exe against Linux: no Linux mqo2png given"
else
    work=$(mktemp -d /tmp/mqo2png_wine.XXXXXX)
    trap 'rm -rf "$work"' EXIT
    for doc in nutti__blender-mqo/texture.mqo wanwan__mqoparser/hachune/miku01.mqo; do
        name=$(basename "$doc" .mqo)
        EGL_PLATFORM=surfaceless ASAN_OPTIONS=detect_leaks=0 \
            "$linux_mqo2png" -s 256 "$corpus/$doc" "$work/$name.linux.png" >/dev/null
        "$wine_run" "$build/tools/mqo2png.exe" -s 256 "$corpus/$doc" "$work/$name.wine.png" \
            >/dev/null || { echo "FAIL: mqo2png.exe $doc" >&2; status=1; continue; }
        # The largest difference of any pixel in any channel, out of 255,
        # from the bytes that differ (cmp -l gives them in octal).
        convert "$work/$name.linux.png" "rgba:$work/$name.linux.rgba"
        convert "$work/$name.wine.png" "rgba:$work/$name.wine.rgba"
        if [ "$(stat -c %s "$work/$name.linux.rgba")" != "$(stat -c %s "$work/$name.wine.rgba")" ]; then
            echo "FAIL: mqo2png.exe $doc: the pictures differ in size" >&2
            status=1
            continue
        fi
        worst=$(cmp -l "$work/$name.linux.rgba" "$work/$name.wine.rgba" | awk '
            function oct(s, n, i) { n = 0; for (i = 1; i <= length(s); i++) n = n * 8 + substr(s, i, 1); return n }
            { d = oct($2) - oct($3); if (d < 0) d = -d; if (d > worst) worst = d }
            END { print worst + 0 }')
        if [ "$worst" -le 2 ]; then
            echo "ok [mqo2png.exe $doc]: at most $worst/255 from the Linux picture"
        else
            echo "FAIL: mqo2png.exe $doc differs from the Linux picture by $worst/255" >&2
            status=1
        fi
    done
fi
exit "$status"
