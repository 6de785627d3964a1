#!/usr/bin/env bash
# Draws the program's pictures from their description with ImageMagick. The results are kept in
# the tree, so building needs no ImageMagick; run this again after changing a picture.
#   quillet.ico    - the program's icon at 16, 20, 24, 32, 40 and 48 pixels (the small and the
#                    large icon at 96, 120 and 144 dpi): a teal disc with a white quill
#   background.png - the update window's picture, 577 x 156, 24-bit: a teal band with clouds
#                    along the top, a white panel with the bold black heading, the grey input
#                    frame and the grey button rectangle
#   closemark.png  - the close mark, 17 x 17, 24-bit: a white square, a 2-pixel teal border and
#                    a teal X across it
# The two pictures are drawn again, from the same description and not resized, for 120 and
# 144 dpi (background_120.png, closemark_120.png, ...): every length times 1.25 and 1.5,
# rounded to the nearest pixel, so that they match the window's layout at those densities.
# The pictures are stored as PNG (lossless, a few kilobytes each instead of hundreds as bitmaps),
# without time stamps so that drawing them again gives the same files; the program decodes them
# with the system's imaging component.
set -euo pipefail
cd "$(dirname "$0")"
teal='rgb(42,198,204)'
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The icon, drawn large and scaled down per size so that every size is crisp.
sizes=(16 20 24 32 40 48)
for size in "${sizes[@]}"; do
  s=$((size * 8))
  convert -size ${s}x${s} xc:none \
    -fill "$teal" -draw "circle $((s/2)),$((s/2)) $((s/2)),$((s/32))" \
    -fill white -stroke white \
    -draw "path 'M $((s*70/100)),$((s*18/100)) C $((s*45/100)),$((s*25/100)) $((s*30/100)),$((s*50/100)) $((s*30/100)),$((s*74/100)) L $((s*38/100)),$((s*66/100)) C $((s*55/100)),$((s*60/100)) $((s*66/100)),$((s*40/100)) $((s*70/100)),$((s*18/100)) Z'" \
    -stroke white -strokewidth $((s/20)) -draw "line $((s*30/100)),$((s*74/100)) $((s*24/100)),$((s*82/100))" \
    -resize ${size}x${size} -strip -define png:compression-level=9 -define png:exclude-chunks=all \
    "PNG32:$work/icon$size.png"
done
convert $(for s in "${sizes[@]}"; do echo "$work/icon$s.png"; done) quillet.ico
python3 ico_with_png.py quillet.ico $(for s in "${sizes[@]}"; do echo "$s:$work/icon$s.png"; done)
echo "generated quillet.ico"

png=(-strip -define png:compression-level=9 -define png:exclude-chunks=date,time)
font=$(fc-match -f '%{file}' 'Liberation Sans:bold')
grey='rgb(160,160,160)'
button='rgb(140,140,140)'

# A length of the 96 dpi description at the current scale, to the nearest pixel.
scale=1
px() { awk -v v="$1" -v s="$scale" 'BEGIN { printf "%d", v * s + 0.5 }'; }
# A coordinate pair, or the far edge of a span that starts at a scaled origin.
edge() { echo $(( $(px $(($1 + 1))) - 1 )); }

# The update window's picture. The heading is painted into it; the window's labels are drawn
# over it at run time (the countdown on the button, the characters left, the maker's line).
draw_background() {
  local out=$1 w h clouds=() x
  w=$(px 577); h=$(px 156)
  # Clouds: clusters of overlapping soft white ellipses resting on the band's lower edge.
  for x in 40 150 265 390 500; do
    clouds+=(-draw "ellipse $(px $x),$(px 22) $(px 26),$(px 9) 0,360"
             -draw "ellipse $(px $((x + 22))),$(px 18) $(px 18),$(px 10) 0,360"
             -draw "ellipse $(px $((x - 20))),$(px 20) $(px 16),$(px 7) 0,360"
             -draw "ellipse $(px $((x + 44))),$(px 22) $(px 18),$(px 6) 0,360")
  done
  convert -size ${w}x${h} xc:white \
    -fill "$teal" -draw "rectangle 0,0 $((w - 1)),$(edge 23)" \
    \( -size ${w}x$(px 24) xc:none -fill 'rgba(255,255,255,0.55)' "${clouds[@]}" \) -geometry +0+0 -composite \
    -fill none -stroke "$grey" -strokewidth "$(px 1)" \
    -draw "rectangle $(px 32),$(px 76) $(edge 545),$(edge 111)" \
    -stroke none -fill "$button" -draw "rectangle $(px 239),$(px 118) $(edge 338),$(edge 142)" \
    -font "$font" -pointsize "$(awk -v s="$scale" 'BEGIN { print 22 * s }')" -fill black \
    -annotate +$(px 34)+$(px 64) 'What are you doing?' \
    -type TrueColor -depth 8 "${png[@]}" "PNG24:$out"
}

# The close mark: the white square inside the border, and the X from corner to corner of it.
draw_closemark() {
  local out=$1 n b
  n=$(px 17); b=$(px 2)
  local a=$((b + $(px 2))) z=$((n - 1 - b - $(px 2)))
  local t; t=$(awk -v s="$scale" 'BEGIN { printf "%d", s + 0.5 }')  # half the stroke, at least 1
  convert -size ${n}x${n} xc:"$teal" +antialias \
    -fill white -draw "rectangle $b,$b $((n - 1 - b)),$((n - 1 - b))" \
    -fill "$teal" \
    -draw "polygon $a,$((a + t)) $((a + t)),$a $z,$((z - t)) $((z - t)),$z" \
    -draw "polygon $((z - t)),$a $z,$((a + t)) $((a + t)),$z $a,$((z - t))" \
    -type TrueColor -depth 8 "${png[@]}" "PNG24:$out"
}

for density in 96 120 144; do
  scale=$(awk -v d=$density 'BEGIN { print d / 96 }')
  suffix=$([ $density = 96 ] && echo "" || echo "_$density")
  draw_background "background$suffix.png"
  draw_closemark "closemark$suffix.png"
  echo "generated background$suffix.png and closemark$suffix.png ($density dpi)"
done
