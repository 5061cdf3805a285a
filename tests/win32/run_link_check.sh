#!/usr/bin/env bash
# Builds serial_probe.exe with mingw-w64 and runs win32_link_check against
# it under wine, in a wine prefix of its own.
# Usage: tests/win32/run_link_check.sh PREFIX BUILD-DIR
# PREFIX is made when missing; BUILD-DIR is a Linux build that holds
# tests/win32_link_check. Needs g++-mingw-w64-x86-64-posix, wine64 and wine.
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: $0 PREFIX BUILD-DIR" >&2; exit 2; }
source=$(cd "$(dirname "$0")/../.." && pwd)
prefix=$(mkdir -p "$1" && cd "$1" && pwd)
build=$(cd "$2" && pwd)
export WINEPREFIX=$prefix WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=-all

probe=$build/win32/serial_probe.exe
mkdir -p "$build/win32"
x86_64-w64-mingw32-g++-posix -std=c++20 -Wall -Wextra -Wpedantic -Werror -O2 -I"$source" \
  -static -static-libgcc -static-libstdc++ -o "$probe" \
  "$source/win32/Win32SerialChannel.cpp" "$source/keyer/KeyerCommands.cpp" "$source/keyer/PortNames.cpp" \
  "$source/keyer/PortWords.cpp" "$source/tests/win32/serial_probe.cpp"

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
