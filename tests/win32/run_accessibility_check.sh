#!/usr/bin/env bash
# What a screen reader is told of the running editor, asked from another
# process: wine has accessible objects only on its X11 driver, here on an
# Xvfb and in a prefix of their own, apart from the null-driver tests'.
# Usage: tests/win32/run_accessibility_check.sh PREFIX BUILD-WIN
set -euo pipefail
[ -n "${DISPLAY_OF_ITS_OWN:-}" ] || DISPLAY_OF_ITS_OWN=1 exec xvfb-run -a -s "-nolisten tcp" "$0" "$@"
build=$(cd "$2" && pwd)
export WINEPREFIX=$1 WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=-all
trap '{ kill $app; wineserver -k; } 2>/dev/null || true' EXIT
mkdir -p "$WINEPREFIX"
wineserver -p
wineboot -i >/dev/null 2>&1
wine "$build/mv2mgr.exe" >/dev/null 2>&1 &
app=$!
wine "$build/tests/win32/accessible_names.exe" | tr -d '\r'
