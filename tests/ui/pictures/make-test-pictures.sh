#!/usr/bin/env bash
# Makes the picture loader's test pictures with ImageMagick; the results are committed.
set -euo pipefail
cd "$(dirname "$0")"
# One inch wide at 96 dpi, white with a red square at the top left: the upright test.
convert -size 96x48 xc:white -fill red -draw "rectangle 0,0 15,15" \
    -units PixelsPerInch -density 96 -quality 95 -sampling-factor 1x1 marked.jpg
printf 'This is not a picture.\n' > not-a-picture.txt
