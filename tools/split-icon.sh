#!/bin/sh
# Writes the images of an icon file as PNG files named by size: split-icon.sh ICON OUT_DIR SIZE...
# Each size takes the icon's last image of that size (the one with the most colours).
set -eu
icon=$1
out=$2
shift 2
mkdir -p "$out"
for size in "$@"; do
  index=$(identify -format '%p %w\n' "$icon" | awk -v s="$size" '$2 == s { i = $1 } END { print i }')
  [ -n "$index" ] || { echo "split-icon: no ${size}x${size} image in $icon" >&2; exit 1; }
  convert "$icon[$index]" -strip "PNG32:$out/$size.png"
done
