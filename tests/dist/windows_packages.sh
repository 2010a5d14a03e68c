#!/bin/sh
# The Windows packages under Wine: the zip's files, then the driver installs, runs and uninstalls
# the setup program and runs the zip's program. Skipped (77) until `make dist` has written them.
# Usage: windows_packages.sh BUILD_DIR DIST_DIR VERSION DIST_DRIVER.exe
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=$1
zip=$2/verdalin-$3-win64.zip
setup=$2/verdalin-$3-setup.exe
driver=$4
if [ ! -f "$zip" ] || [ ! -f "$setup" ]; then
  echo "No packages in $2: make dist writes them."
  exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
want="verdalin-$3-win64/
verdalin-$3-win64/LICENSE.txt
verdalin-$3-win64/README.txt
verdalin-$3-win64/THIRD-PARTY-NOTICES.txt
verdalin-$3-win64/Verdalin_Presets.ini
verdalin-$3-win64/verdalin.exe"
got=$(unzip -Z1 "$zip" | LC_ALL=C sort)
if [ "$got" != "$want" ]; then
  printf 'The zip holds:\n%s\nwanted:\n%s\n' "$got" "$want"
  exit 1
fi
unzip -q "$zip" -d "$work"
if ! head -n 1 "$work/verdalin-$3-win64/README.txt" | grep -q '^# Verdalin user guide'; then
  echo "The zip's README.txt is not the user guide."
  exit 1
fi
export VERDALIN_SETUP="$setup"
export VERDALIN_PORTABLE="$work/verdalin-$3-win64/verdalin.exe"
"$here/../../tools/wine-run.sh" "$build" "$driver"
