#!/bin/sh
# Runs a command with the fake gateway listening on loopback (its port in VERDALIN_GATEWAY_PORT).
# Usage: with-fake-gateway.sh COMMAND [ARGS...]; exits with the command's status.
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
gateway_pid=""
stop_gateway() {
  if [ -n "$gateway_pid" ]; then
    kill "$gateway_pid" 2>/dev/null
    wait "$gateway_pid" 2>/dev/null
    gateway_pid=""
  fi
  rm -rf "$work"
}
trap stop_gateway EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

python3 "$here/fake_gateway.py" --port-file "$work/port" >/dev/null </dev/null &
gateway_pid=$!
tries=0
while [ ! -s "$work/port" ]; do
  if ! kill -0 "$gateway_pid" 2>/dev/null || [ "$tries" -ge 100 ]; then
    echo "with-fake-gateway.sh: the fake gateway did not start" >&2
    exit 1
  fi
  sleep 0.1
  tries=$((tries + 1))
done
VERDALIN_GATEWAY_PORT=$(cat "$work/port")
export VERDALIN_GATEWAY_PORT
"$@"
status=$?
stop_gateway
exit "$status"
