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

# ctest lists a program's tests before it runs any, and one failed listing
# ends the whole run. Wine has been seen to fail a program's start right
# after its services came up (status 1, not a line printed): a listing that
# fails with no output is tried again, a few times, saying so.
case " $* " in
*" --gtest_list_tests "*)
    for try in 1 2 3 4; do
        status=0
        listing=$(wine "$@") || status=$?
        if [ "$status" -eq 0 ] || [ -n "$listing" ] || [ "$try" -eq 4 ]; then
            printf '%s\n' "$listing"
            exit "$status"
        fi
        echo "wine-run: listing $1 failed (status $status, no output); trying again" >&2
        sleep "$try"
    done
    ;;
esac
exec wine "$@"
