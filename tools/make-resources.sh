#!/bin/sh
# Draws the program's pictures with ImageMagick: the globe icon (13 images), the banner and the globe.
# The results are committed in resources/; run this again only to change them.
set -e
IM=${IM:-/usr/bin/convert}
out=$(cd "$(dirname "$0")/../resources" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# globe SIZE FILE: a lit blue globe with meridians and parallels on a transparent background.
globe() {
  s=$1; r=$(( s * 47 / 100 )); c=$(( s / 2 ))
  "$IM" -size "${s}x${s}" radial-gradient:'#9fd4ff'-'#0b3d91' -roll "-$(( s / 6 ))-$(( s / 6 ))" \
    -colorspace sRGB -alpha set \
    \( -size "${s}x${s}" xc:none -fill white -draw "circle $c,$c $c,$(( c - r ))" \) \
    -compose DstIn -composite -compose Over \
    -fill none -stroke '#d8ecff' -strokewidth "$(( s / 48 + 1 ))" \
    -draw "ellipse $c,$c $(( r / 3 )),$r 0,360" -draw "ellipse $c,$c $(( r * 3 / 4 )),$r 0,360" \
    -draw "line $(( c - r )),$c $(( c + r )),$c" \
    -draw "ellipse $c,$(( c - r / 2 )) $(( r * 86 / 100 )),$(( r / 8 )) 0,360" \
    -draw "ellipse $c,$(( c + r / 2 )) $(( r * 86 / 100 )),$(( r / 8 )) 0,360" \
    -stroke '#08306b' -strokewidth 1 -draw "circle $c,$c $c,$(( c - r ))" \
    -type TrueColorAlpha \
    "$2"
}

for s in 16 24 32 48 128; do globe "$s" "$work/globe-$s.png"; done
cp "$work/globe-128.png" "$out/verdalin-128.png"
for s in 16 24 32 48; do
  "$IM" "$work/globe-$s.png" -background white -alpha remove -colors 16 -type Palette \
    BMP3:"$work/icon-$s-4.bmp"
  "$IM" "$work/globe-$s.png" -background white -alpha remove -colors 256 -type Palette \
    BMP3:"$work/icon-$s-8.bmp"
done
python3 "$(dirname "$0")/pack_ico.py" "$out/verdalin.ico" "$work"

# The banner: the program's name in large three-dimensional blue-grey letters on white.
"$IM" -size 480x94 xc:white -font Liberation-Sans-Bold -pointsize 76 -gravity center \
  -fill '#2f3f55' -annotate +6+6 'Verdalin' -fill '#43576f' -annotate +4+4 'Verdalin' \
  -fill '#5d7593' -annotate +2+2 'Verdalin' -fill '#a9bdd6' -annotate +0+0 'Verdalin' \
  -type TrueColor -depth 8 -define png:color-type=2 "$out/banner.png"

# The side picture: a lit globe with a one-line caption, as an uncompressed 24-bit bitmap.
globe 200 "$work/side.png"
"$IM" -size 224x245 xc:white "$work/side.png" -geometry +12+6 -composite \
  -font Liberation-Sans-Narrow -pointsize 14 -fill '#0b3d91' -gravity south \
  -annotate +0+10 'Your ADSL broadband line, watched' \
  -type TrueColor -compress None BMP3:"$out/globe.bmp"
