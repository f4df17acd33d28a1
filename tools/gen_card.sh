#!/bin/sh
# Render the fiscal code card picture from its SVG source:
#   tools/card/tesserino.svg -> fiscalcode/images/tesserino.png (420 x 266)
# Needs rsvg-convert (Debian package librsvg2-bin) and the fonts Liberation Sans
# (fonts-liberation2) or, failing that, DejaVu Sans (fonts-dejavu-core).
# With an argument, also writes a preview stretched to the window's 416 x 269
# with sample values where the window puts its labels.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
rsvg-convert -w 420 -h 266 -o "$root/fiscalcode/images/tesserino.png" "$here/card/tesserino.svg"
echo "wrote $root/fiscalcode/images/tesserino.png"

if [ $# -gt 0 ]; then
    # Values in black bold 8 pt (10.7 px) at the window's label positions,
    # baseline ~10.8 px below each label's top.
    tmp=$(mktemp -d)
    cat > "$tmp/preview.svg" <<SVG
<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink"
     width="416" height="269">
  <rect width="416" height="269" fill="rgb(236,233,216)"/>
  <image width="416" height="269" preserveAspectRatio="none"
         xlink:href="data:image/png;base64,$(base64 -w0 "$root/fiscalcode/images/tesserino.png")"/>
  <g font-family="Liberation Sans" font-weight="bold" font-size="10.7">
    <text x="72" y="143.8">RSSMRA80A01H501U</text>
    <text x="72" y="170.8">ROSSI</text>
    <text x="72" y="193.8">MARIO</text>
    <text x="72" y="212.8">SAN GIOVANNI IN PERSICETO</text>
    <text x="72" y="238.8">BO</text>
    <text x="336" y="192.8">M</text>
    <text x="272" y="237.8">01/01/1980</text>
  </g>
</svg>
SVG
    rsvg-convert -o "$1" "$tmp/preview.svg"
    rm -r "$tmp"
    echo "wrote preview $1"
fi
