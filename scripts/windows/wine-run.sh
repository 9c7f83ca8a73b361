#!/usr/bin/env bash
# Runs a Windows program under Wine, quietly, in the build's own Wine prefix
# (made on first use): the build runs the character generator through it,
# and ctest the tests. WINEPREFIX in the environment overrides the prefix.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
export WINEPREFIX=${WINEPREFIX:-$root/build/windows/wine}
mkdir -p "$WINEPREFIX"
export WINEDEBUG=${WINEDEBUG:--all}
# No .NET or HTML engine (Wine would offer to download them), and no
# debugger: a crash ends the program with a status instead of waiting.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=;winedbg.exe=d}
exec wine "$@"
