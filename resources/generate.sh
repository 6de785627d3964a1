#!/usr/bin/env bash
# Draws the program's pictures from their description with ImageMagick. The results are kept in
# the tree, so building needs no ImageMagick; run this again after changing a picture.
#   quillet.ico  - the program's icon at 16, 32 and 48 pixels: a teal disc with a white quill
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
