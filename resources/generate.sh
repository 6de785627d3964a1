#!/usr/bin/env bash
# Draws the program's pictures from their description with ImageMagick. The results are kept in
# the tree, so building needs no ImageMagick; run this again after changing a picture.
#   quillet.ico    - the program's icon at 16, 32 and 48 pixels: a teal disc with a white quill
#   background.bmp - the update window's picture, 577 x 156, 24-bit: a teal band with clouds
#                    along the top, a white panel with the bold black heading, the grey input
#                    frame and the grey button rectangle
#   closemark.bmp  - the close mark, 17 x 17, 24-bit: a white square, a 2-pixel teal border and
#                    a teal X across it
set -euo pipefail
cd "$(dirname "$0")"
teal='rgb(42,198,204)'
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The icon, drawn large and scaled down per size so that every size is crisp.
for size in 16 32 48; do
  s=$((size * 8))
  convert -size ${s}x${s} xc:none \
    -fill "$teal" -draw "circle $((s/2)),$((s/2)) $((s/2)),$((s/32))" \
    -fill white -stroke white \
    -draw "path 'M $((s*70/100)),$((s*18/100)) C $((s*45/100)),$((s*25/100)) $((s*30/100)),$((s*50/100)) $((s*30/100)),$((s*74/100)) L $((s*38/100)),$((s*66/100)) C $((s*55/100)),$((s*60/100)) $((s*66/100)),$((s*40/100)) $((s*70/100)),$((s*18/100)) Z'" \
    -stroke white -strokewidth $((s/20)) -draw "line $((s*30/100)),$((s*74/100)) $((s*24/100)),$((s*82/100))" \
    -resize ${size}x${size} "PNG32:$work/icon$size.png"
done
convert "$work/icon16.png" "$work/icon32.png" "$work/icon48.png" quillet.ico
echo "generated quillet.ico"

# The update window's picture. The heading is painted into it; the window's labels are drawn
# over it at run time (the countdown on the button, the characters left, the maker's line).
font=$(fc-match -f '%{file}' 'Liberation Sans:bold')
grey='rgb(160,160,160)'
button='rgb(140,140,140)'
clouds=()
# Clouds: clusters of overlapping soft white ellipses resting on the band's lower edge.
for x in 40 150 265 390 500; do
  clouds+=(-draw "ellipse $x,22 26,9 0,360" -draw "ellipse $((x + 22)),18 18,10 0,360"
           -draw "ellipse $((x - 20)),20 16,7 0,360" -draw "ellipse $((x + 44)),22 18,6 0,360")
done
convert -size 577x156 xc:white \
  -fill "$teal" -draw "rectangle 0,0 576,23" \
  \( -size 577x24 xc:none -fill 'rgba(255,255,255,0.55)' "${clouds[@]}" \) -geometry +0+0 -composite \
  -fill none -stroke "$grey" -strokewidth 1 -draw "rectangle 32,76 545,111" \
  -stroke none -fill "$button" -draw "rectangle 239,118 338,142" \
  -font "$font" -pointsize 22 -fill black -annotate +34+64 'What are you doing?' \
  -type TrueColor -depth 8 BMP3:background.bmp
echo "generated background.bmp"

convert -size 17x17 xc:"$teal" +antialias \
  -fill white -draw "rectangle 2,2 14,14" \
  -fill "$teal" -draw "polygon 4,5 5,4 12,11 11,12" -draw "polygon 11,4 12,5 5,12 4,11" \
  -type TrueColor -depth 8 BMP3:closemark.bmp
echo "generated closemark.bmp"
