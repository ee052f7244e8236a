#!/usr/bin/env bash
# Draws the two pictures of the start-up window with ImageMagick:
#   logo.png    125 x 138  an open book whose lines are marked in colours
#   bitmap.png  100 x 220  a column of text lines cut into coloured segments
# Run once from this folder; the PNGs are committed.
set -euo pipefail
cd "$(dirname "$0")"

# Logo: blue ground, open book, marked lines, a magnifying glass.
convert -size 125x138 xc:'rgb(128,128,255)' \
  -fill 'rgb(255,255,192)' -stroke 'rgb(0,0,96)' -strokewidth 2 \
  -draw "polygon 10,30 60,38 60,120 10,112" \
  -draw "polygon 65,38 115,30 115,112 65,120" \
  -stroke 'rgb(0,0,96)' -strokewidth 1 \
  -draw "line 18,46 52,51" -draw "line 18,56 52,61" -draw "line 18,66 52,71" \
  -draw "line 18,76 52,81" -draw "line 18,86 52,91" -draw "line 18,96 40,99" \
  -draw "line 73,51 107,46" -draw "line 73,61 107,56" -draw "line 73,71 107,66" \
  -draw "line 73,81 107,76" -draw "line 73,91 107,86" -draw "line 73,101 95,98" \
  -stroke 'rgb(255,0,0)' -strokewidth 3 -draw "line 18,66 52,71" \
  -stroke 'rgb(255,160,64)' -strokewidth 3 -draw "line 73,81 107,76" \
  -stroke 'rgb(0,0,96)' -strokewidth 4 -fill none -draw "circle 90,104 90,120" \
  -strokewidth 6 -draw "line 101,116 118,133" \
  -fill white -stroke none -pointsize 18 -font DejaVu-Sans-Bold \
  -gravity north -annotate +0+4 'T' \
  -depth 8 -strip logo.png

# Bitmap: light-orange column of text lines, some segments marked.
args=()
y=14
i=0
while [ $y -lt 210 ]; do
  w=$(( 58 + (i * 37) % 22 ))
  args+=(-stroke 'rgb(60,60,60)' -strokewidth 2 -draw "line 12,$y $((12 + w)),$y")
  case $((i % 5)) in
    1) args+=(-stroke 'rgb(255,0,0)' -strokewidth 4 -draw "line 12,$y $((12 + w / 2)),$y") ;;
    3) args+=(-stroke 'rgb(128,128,255)' -strokewidth 4 -draw "line $((40)),$y $((12 + w)),$y") ;;
  esac
  y=$((y + 12))
  i=$((i + 1))
done
convert -size 100x220 xc:'rgb(255,224,192)' -fill none \
  -stroke 'rgb(0,0,96)' -strokewidth 2 -draw "rectangle 3,3 96,216" \
  "${args[@]}" -depth 8 -strip bitmap.png
