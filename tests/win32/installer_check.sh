#!/usr/bin/env bash
# The Windows installer under wine, silently: it puts both programs, the help
# pages, the Start menu entry and the .eep association in place, and its
# uninstaller takes them away again but leaves the person's backups and port
# settings. Usage: tests/win32/installer_check.sh SETUP.exe
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 SETUP.exe" >&2; exit 2; }
setup=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
scratch=$(mktemp -d)
export WINEPREFIX=$scratch/wine WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=-all
trap 'wineserver -k 2>/dev/null || true; rm -rf "$scratch"' EXIT
wineboot -i >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /t REG_SZ /d null /f >/dev/null 2>&1
local_app=$(wine cmd /c 'echo %LOCALAPPDATA%' 2>/dev/null | tr -d '\r')
unix_local=$(winepath -u "$local_app" 2>/dev/null)
dir=$unix_local/Programs/mv2mgr
start_menu=$(winepath -u "$(wine cmd /c 'echo %APPDATA%' 2>/dev/null | tr -d '\r')")/Microsoft/Windows/Start\ Menu/Programs
passed=0
failed=0
check() { # what, then a command that holds
  local what=$1
  shift
  if "$@"; then passed=$((passed + 1)); else
    failed=$((failed + 1))
    echo "installer: not so: $what" >&2
  fi
}
association() { wine reg query 'HKCU\Software\Classes\mv2mgr.eep\shell\open\command' 2>/dev/null | tr -d '\r'; }

wine "$setup" /S
wineserver -w
for file in mv2mgr.exe mv2mgr-cli.exe README.txt help/index.html uninstall.exe; do
  check "$file installed" test -f "$dir/$file"
done
check "Start menu entry" test -f "$start_menu/Morvel2 Standalone Editor.lnk"
check ".eep files open in the editor" grep -q 'mv2mgr\\mv2mgr.exe" "%1"' <(association)
check "the installed command line runs" grep -q "^mv2mgr-cli " <(wine "$dir/mv2mgr-cli.exe" --version 2>/dev/null | tr -d '\r')

# What the person made meanwhile: a chosen port and a backup.
printf '\005\000\000\000' >"$dir/mv2mgr.cfg"
mkdir -p "$unix_local/mv2mgr/backups"
head -c 256 /dev/zero >"$unix_local/mv2mgr/backups/2026-12-07T10-42-05Z_rev30_read.eep"
wine "$dir/uninstall.exe" /S "_?=$(winepath -w "$dir")"
wineserver -w
rm -f "$dir/uninstall.exe" # run in place, it cannot delete itself
for file in mv2mgr.exe mv2mgr-cli.exe README.txt help/index.html; do
  check "$file removed" test ! -e "$dir/$file"
done
check "Start menu entry removed" test ! -e "$start_menu/Morvel2 Standalone Editor.lnk"
check "association removed" test -z "$(association | grep mv2mgr.exe)"
check "port settings kept" test -f "$dir/mv2mgr.cfg"
check "backups kept" test -f "$unix_local/mv2mgr/backups/2026-12-07T10-42-05Z_rev30_read.eep"
echo "installer under wine: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
