#!/bin/sh
# The Windows program's "--report" from a shell under Wine: a failure is one line on standard
# error and exit code 1, and nothing is written. Usage: report_command_stderr.sh BUILD_DIR
set -u
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")/../../tools" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$build/verdalin.exe" "$work/"
. "$here/wine-env.sh" "$build"
"$here/wine-prefix.sh" || exit 1
# Files, not pipes: Wine's background processes would hold a pipe open.
wine "$work/verdalin.exe" --report 'Z:\no\such.csv' --no-open >"$work/out" 2>"$work/err" </dev/null
code=$?
line=$(grep -v '^Read access denied' "$work/err" | tr -d '\r')
[ "$code" -eq 1 ] || { echo "exit code $code, not 1"; exit 1; }
[ "$line" = 'verdalin: no data log at Z:\no\such.csv' ] || { echo "standard error: $line"; exit 1; }
[ ! -e "$work/Verdalin_Settings.ini" ] || { echo "the settings were touched"; exit 1; }
echo "ok: one line on standard error, exit code 1"
