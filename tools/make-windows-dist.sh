#!/bin/sh
# Writes the portable zip and the setup program from the Windows build:
# make-windows-dist.sh VERDALIN.EXE THIRD-PARTY-NOTICES VERSION OUT_DIR
set -eu
exe=$1
notices=$2
version=$3
out=$(mkdir -p "$4" && cd "$4" && pwd)
source=$(cd "$(dirname "$0")/.." && pwd)
work=$(cd "$(dirname "$exe")" && pwd)/dist
name=verdalin-$version-win64
stage=$work/$name
umask 022
rm -rf "$work"
mkdir -p "$stage"

# The program with its presets and texts (the user guide as the README), lines ended the Windows
# way.
cp "$exe" "$stage/verdalin.exe"
sed 's/$/\r/' "$source/resources/Verdalin_Presets.ini" >"$stage/Verdalin_Presets.ini"
sed 's/$/\r/' "$source/docs/user-guide.md" >"$stage/README.txt"
sed 's/$/\r/' "$source/LICENSE" >"$stage/LICENSE.txt"
sed 's/$/\r/' "$notices" >"$stage/THIRD-PARTY-NOTICES.txt"
stamp=${SOURCE_DATE_EPOCH:-$(git -C "$source" log -1 --format=%ct 2>/dev/null || date +%s)}
find "$stage" -exec touch -d "@$stamp" {} +

# Portable: the folder as it is, settings beside the program.
rm -f "$out/$name.zip"
(cd "$work" && zip -X -9 -q -r "$out/$name.zip" "$name")
echo "Wrote $out/$name.zip"

makensis -V2 -DVERSION="$version" -DSTAGE="$stage" -DICON="$source/resources/verdalin.ico" \
  -DOUTFILE="$out/verdalin-$version-setup.exe" "$source/packaging/verdalin.nsi"
echo "Wrote $out/verdalin-$version-setup.exe"
