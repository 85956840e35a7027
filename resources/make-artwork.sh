#!/usr/bin/env bash
# Makes the program's artwork with ImageMagick: the program icon (a small clock face).
# The results are committed; run this again only to change them.
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for size in 16 32 48; do
    c=$((size / 2)) r=$((size / 2 - 1)) h=$((size * 3 / 10)) m=$((size * 4 / 10))
    convert -size ${size}x${size} xc:none \
        -fill '#1d5f8a' -draw "circle $c,$c $c,$((c - r))" \
        -fill white -draw "circle $c,$c $c,$((c - r + size / 10))" \
        -stroke '#1d5f8a' -strokewidth $((size / 16 + 1)) \
        -draw "line $c,$c $c,$((c - m))" -draw "line $c,$c $((c + h)),$c" \
        -stroke none -fill '#c0392b' -draw "circle $c,$c $c,$((c - size / 12 - 1))" \
        "$work/icon-$size.png"
done
convert "$work/icon-16.png" "$work/icon-32.png" "$work/icon-48.png" velkorin.ico
