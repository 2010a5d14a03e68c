#!/bin/sh
# Creates the build folder's Wine prefix once (crash dialog off, unmanaged windows); needs wine-env.sh.
set -e
[ -f "$WINEPREFIX/.verdalin-ready" ] && exit 0
mkdir -p "$(dirname "$WINEPREFIX")"
exec 9>"$WINEPREFIX.lock"
flock 9
[ -f "$WINEPREFIX/.verdalin-ready" ] && exit 0
wineboot -i >/dev/null 2>&1 || true
reg="$WINEPREFIX/verdalin-test.reg"
printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]\r\n"ShowCrashDialog"=dword:00000000\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\r\n"Managed"="N"\r\n' > "$reg"
wine regedit /S "$(winepath -w "$reg" 2>/dev/null)" >/dev/null 2>&1
wineserver -w
touch "$WINEPREFIX/.verdalin-ready"
