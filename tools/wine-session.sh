#!/bin/bash
# Runs a command (usually ctest) with a persistent wineserver and an Xvfb display, and ends both after.
# Usage: wine-session.sh BUILD_DIR COMMAND [ARGS...]
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$1" && pwd)
shift
. "$here/wine-env.sh" "$root"
"$here/wine-prefix.sh" || exit 1

xvfb_pid=""
cleanup() {
  wineserver -k >/dev/null 2>&1
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -f "$root/wine-display" "$root/wine-session"
}
trap cleanup EXIT INT TERM

if command -v Xvfb >/dev/null 2>&1; then
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  xvfb_pid=$!
  read -r -t 20 display_number <"$fifo" || true
  rm -f "$fifo"
  if [ -n "${display_number:-}" ]; then
    echo ":$display_number" >"$root/wine-display"
    export DISPLAY=":$display_number"
  fi
fi
# A server of this prefix left from outside this session (and outside its network namespace)
# would start Wine's background processes there: end it first.
wineserver -k >/dev/null 2>&1
wineserver -p
# Start Wine's background processes now, detached from the output of the tests: a test whose
# output is captured would otherwise wait for them to close the captured pipe.
wine wineboot </dev/null >/dev/null 2>&1
# The same for the desktop and COM's rpcss, which the first test to touch the shell would start
# with its own output pipes (rundll32 without arguments starts both and ends).
wine rundll32.exe </dev/null >/dev/null 2>&1
touch "$root/wine-session"
"$@"
