#!/bin/sh
# Test emulator for the Windows build: wine-run.sh BUILD_DIR PROGRAM.exe [ARGS...] runs it under Wine.
here=$(dirname "$0")
. "$here/wine-env.sh" "$1"
shift
"$here/wine-prefix.sh" || exit 1
# Outside a test session, start Wine's background processes detached from our output first.
[ -f "$verdalin_wine_root/wine-session" ] || wine wineboot </dev/null >/dev/null 2>&1
# The program's output goes through a file: a background process that it starts (the desktop,
# explorer.exe) inherits its output and would keep a pipe of the caller's open long after the
# program has ended.
output=$(mktemp)
wine "$@" >"$output" 2>&1 </dev/null
status=$?
cat "$output"
rm -f "$output"
exit "$status"
