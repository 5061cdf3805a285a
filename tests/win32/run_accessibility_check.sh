#!/usr/bin/env bash
# What a screen reader is told of the editor's controls, asked from another
# process (MSAA) while mv2mgr.exe runs: the six Test buttons told apart, each
# field named by its label. Wine has accessible objects only with a display,
# so this runs on its X11 driver on a virtual screen of its own (Xvfb), in a
# wine prefix of its own: the null-driver prefix of the other tests stays
# as it is.
# Usage: tests/win32/run_accessibility_check.sh PREFIX BUILD-WIN
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: $0 PREFIX BUILD-WIN" >&2; exit 2; }
build=$(cd "$2" && pwd)
export WINEPREFIX=$1 WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=-all
scratch=$(mktemp -d)
xvfb=""
app=""
cleanup() {
  [ -n "$app" ] && kill "$app" 2>/dev/null || true
  wineserver -k 2>/dev/null || true
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$scratch/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 50); do [ -s "$scratch/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$scratch/display")"
mkdir -p "$WINEPREFIX"
wineserver -p
wineboot -i >/dev/null 2>&1
# The editor keeps its port settings beside itself: a copy of its own.
cp "$build/mv2mgr.exe" "$scratch/mv2mgr.exe"
wine "$scratch/mv2mgr.exe" >/dev/null 2>&1 &
app=$!
wine "$build/tests/win32/accessible_names.exe" | tr -d '\r'
