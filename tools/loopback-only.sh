#!/bin/sh
# Runs a command in a network namespace of its own whose only interface is loopback, so that
# nothing the tests start (fake gateway, Xvfb, wineserver, the programs) can reach another
# address. Where the machine allows no namespace, runs the command as it is after a notice.
# Usage: loopback-only.sh COMMAND [ARGS...]; exits with the command's status.
if [ "${VERDALIN_LOOPBACK_ONLY:-}" = inside ]; then
  ip link set lo up || exit 1
  exec "$@"
fi
# Root makes the namespace itself; anyone else maps themselves to root in a user namespace.
flags=-n
[ "$(id -u)" -eq 0 ] || flags=-rn
if command -v unshare >/dev/null 2>&1 && command -v ip >/dev/null 2>&1 &&
    unshare $flags ip link set lo up >/dev/null 2>&1; then
  VERDALIN_LOOPBACK_ONLY=inside exec unshare $flags "$0" "$@"
fi
echo "loopback-only.sh: no network namespace here; running with the machine's network" >&2
exec "$@"
