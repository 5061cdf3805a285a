#!/usr/bin/env bash
# Runs win32_link_check against the Windows build's serial_probe.exe, its
# command line and its window under wine, in the wine prefix PREFIX (made
# when missing); then takes COM15 away and starts the window again.
# Usage: tests/keyer/win32/run_link_check.sh PREFIX LINUX-BUILD WINDOWS-BUILD
# LINUX-BUILD holds tests/win32_link_check; WINDOWS-BUILD tests/serial_probe.exe,
# tests/tst_win32face.exe and mv2mgr-cli.exe.
set -euo pipefail
[ $# -eq 3 ] || { echo "usage: $0 PREFIX LINUX-BUILD WINDOWS-BUILD" >&2; exit 2; }
prefix=$(mkdir -p "$1" && cd "$1" && pwd)
build=$(cd "$2" && pwd)
windows=$(cd "$3" && pwd)
export WINEPREFIX=$prefix WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=-all

[ -f "$prefix/system.reg" ] || { wineboot -i >/dev/null 2>&1; wineserver -w; }

# COM5, COM10 and COM15 lead to links that the check points at each row's
# keyer. Ports come from the registry when the server starts, so it restarts.
links=$(mktemp -d)
trap 'wineserver -k 2>/dev/null || true; rm -rf "$links"' EXIT
for port in 5 10 15; do
  wine reg add 'HKLM\Software\Wine\Ports' /v "COM$port" /t REG_SZ /d "$links/com$port" /f >/dev/null 2>&1
done
# The window is made on the null graphics driver: there is no display.
wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /t REG_SZ /d null /f >/dev/null 2>&1
wineserver -k 2>/dev/null || true
wineserver -w
# In the foreground of its own, so that it takes no pseudo-terminal as its
# controlling terminal, and a keyer hanging up cannot signal it.
start_server() {
  wineserver -f -p >/dev/null 2>&1 &
  wine "$windows/tests/serial_probe.exe" ports >/dev/null 2>&1 # the first start brings up wine's services
}
start_server

"$build/tests/win32_link_check" "$windows" "$links"

# The adapter unplugged: the port chosen in the window stays chosen, marked
# not present, and Test MV says why it cannot be reached.
wine reg delete 'HKLM\Software\Wine\Ports' /v COM15 /f >/dev/null 2>&1
rm -f "$prefix/dosdevices/com15"
wineserver -k 2>/dev/null || true
wineserver -w
start_server
(cd "$windows" && MV2MGR_LINE_FOLDER=$links wine tests/win32/tst_win32face.exe --no-skip -tc="COM15 gone")
