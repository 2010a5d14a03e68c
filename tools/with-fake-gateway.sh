#!/bin/sh
# Runs a command with the fake gateway listening on loopback (its port in VERDALIN_GATEWAY_PORT).
# Usage: with-fake-gateway.sh COMMAND [ARGS...]; exits with the command's status.
. "$(dirname "$0")/fake-gateway.sh"
work=$(mktemp -d)
fake_gateway_pid=""
stop_gateway() {
  if [ -n "$fake_gateway_pid" ]; then
    kill "$fake_gateway_pid" 2>/dev/null
    wait "$fake_gateway_pid" 2>/dev/null
    fake_gateway_pid=""
  fi
  rm -rf "$work"
}
trap stop_gateway EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

start_fake_gateway "$work" || exit 1
"$@"
status=$?
stop_gateway
exit "$status"
