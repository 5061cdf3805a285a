#!/usr/bin/env bash
# Runs win32_link_check against the Windows build's serial_probe.exe under
# wine, in the wine prefix PREFIX (made when missing).
# Usage: tests/keyer/win32/run_link_check.sh PREFIX LINUX-BUILD WINDOWS-BUILD
# LINUX-BUILD holds tests/win32_link_check, WINDOWS-BUILD tests/serial_probe.exe.
set -euo pipefail
[ $# -eq 3 ] || { echo "usage: $0 PREFIX LINUX-BUILD WINDOWS-BUILD" >&2; exit 2; }
prefix=$(mkdir -p "$1" && cd "$1" && pwd)
build=$(cd "$2" && pwd)
probe=$(cd "$3" && pwd)/tests/serial_probe.exe
export WINEPREFIX=$prefix WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=-all

[ -f "$prefix/system.reg" ] || { wineboot -i >/dev/null 2>&1; wineserver -w; }

# COM5 and COM10 lead to links that the check points at each row's keyer.
# Ports come from the registry when the server starts, so it restarts.
links=$(mktemp -d)
trap 'wineserver -k 2>/dev/null || true; rm -rf "$links"' EXIT
for port in 5 10; do
  wine reg add 'HKLM\Software\Wine\Ports' /v "COM$port" /t REG_SZ /d "$links/com$port" /f >/dev/null 2>&1
done
wineserver -k 2>/dev/null || true
wineserver -w
# In the foreground of its own, so that it takes no pseudo-terminal as its
# controlling terminal, and a keyer hanging up cannot signal it.
wineserver -f -p >/dev/null 2>&1 &
wine "$probe" ports >/dev/null 2>&1 # the first start brings up wine's services

"$build/tests/win32_link_check" "$probe" "$links"
