#!/usr/bin/env bash
# Makes the program's artwork with ImageMagick and the DejaVu fonts (Debian: imagemagick,
# fonts-dejavu-core): the icon, the four JPEG pictures and the six button bitmaps.
# The results are committed; run this again only to change them.
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

bold=DejaVu-Sans-Bold
ink='#22303c'    # captions and button texts
accent='#1d5f8a' # the clock icon's blue

# --- Icon: a small clock face --------------------------------------------------------------
for size in 16 32 48; do
    c=$((size / 2)) r=$((size / 2 - 1)) h=$((size * 3 / 10)) m=$((size * 4 / 10))
    convert -size ${size}x${size} xc:none \
        -fill "$accent" -draw "circle $c,$c $c,$((c - r))" \
        -fill white -draw "circle $c,$c $c,$((c - r + size / 10))" \
        -stroke "$accent" -strokewidth $((size / 16 + 1)) \
        -draw "line $c,$c $c,$((c - m))" -draw "line $c,$c $((c + h)),$c" \
        -stroke none -fill '#c0392b' -draw "circle $c,$c $c,$((c - size / 12 - 1))" \
        "$work/icon-$size.png"
done
convert "$work/icon-16.png" "$work/icon-32.png" "$work/icon-48.png" velkorin.ico

# --- Pictures ------------------------------------------------------------------------------
# Every JPEG says 96 pixels per inch, so that it loads at its pixel size on a 96-dpi screen.
jpeg() { convert "$1" -strip -units PixelsPerInch -density 96 -quality 92 -sampling-factor 1x1 "$2"; }

# Where the dialogs put their caption-less check boxes, in client pixels, as MapDialogRect
# under Wine gives them for the templates' fonts (box left, top, right, bottom):
#   main window: Restart box 16,56-28,67; Shut down box 534,56-546,67
#   Settings:    start with Windows 25,24-40,38; start minimised 25,71-40,85
# Each caption stands on the box's vertical centre, a few pixels from it. The White skin is
# 510 pixels wide, narrower than the main window (566): "SHUT DOWN PC" ends inside it, and
# both skins put it at the same place.
caption() { # image, gravity, x, y (top of a 12-pixel line), text
    mogrify -font "$bold" -pointsize 9 -fill "$ink" -gravity "$2" \
        -annotate "+$3+$4" "$5" "$1"
}
skinCaptions() {
    caption "$1" NorthWest 34 56 "RESTART PC"
    caption "$1" NorthEast $(($2 - 506)) 56 "SHUT DOWN PC"
}

# White skin 28: plain white with a thin accent rule along the top.
convert -size 510x482 xc:white -fill "$accent" -draw "rectangle 0,0 509,3" \
    "$work/white.png"
skinCaptions "$work/white.png" 510
jpeg "$work/white.png" white-skin.jpg

# Metal skin 29: brushed grey, darker at the upper left.
convert -size 600x450 -define gradient:direction=SouthEast gradient:'#9ba2a9'-'#eef0f2' \
    \( -size 600x450 xc:gray50 +noise Gaussian -motion-blur 0x40+0 -colorspace gray \) \
    -compose soft-light -composite -fill '#5d6770' -draw "rectangle 0,0 599,3" \
    "$work/metal.png"
skinCaptions "$work/metal.png" 600
jpeg "$work/metal.png" metal-skin.jpg

# Settings background 25: white with the two captions beside the boxes.
convert -size 794x425 xc:white "$work/settings.png"
caption "$work/settings.png" NorthWest 46 25 "START WITH WINDOWS"
caption "$work/settings.png" NorthWest 46 72 "MINIMIZE ON START"
jpeg "$work/settings.png" settings.jpg

# Today background 27: near-white at the lower left to green-grey at the upper right.
convert -size 794x425 -define gradient:direction=NorthEast gradient:'#fbfcfa'-'#aebdab' \
    "$work/today.png"
jpeg "$work/today.png" today.jpg

# --- Button bitmaps: 32 bits per pixel ------------------------------------------------------
# The fourth byte of each pixel is unused in a BI_RGB bitmap and stays zero: a static control
# would otherwise keep an alpha-blended copy of its own of every picture it is given.
bitmap() { convert "$1" -alpha set -channel A -evaluate set 0 +channel \
    -define bmp3:alpha=true "BMP3:$2"; }
button() { # name, width, height, text, raised|pressed
    local top='#ffffff' bottom='#d3d9df' shift=0
    [ "$5" = pressed ] && top='#b9c1c9' bottom='#e3e7eb' shift=1
    convert -size "$2x$3" gradient:"$top"-"$bottom" -fill none -stroke '#6f7b87' \
        -draw "rectangle 0,0 $(($2 - 1)),$(($3 - 1))" -stroke none \
        -font "$bold" -pointsize 10 -fill "$ink" -gravity center \
        -annotate "+$shift+$shift" "$4" "$work/$1.png"
    bitmap "$work/$1.png" "$1.bmp"
}
oval() { # name, raised|pressed
    local top='#ffffff' bottom='#c9d3dc' shift=0
    [ "$2" = pressed ] && top='#aab6c1' bottom='#e1e7ec' shift=1
    convert -size 70x40 xc:white \( -size 70x40 gradient:"$top"-"$bottom" \) \
        \( -size 70x40 xc:black -fill white -draw "ellipse 34.5,19.5 33,18 0,360" \) \
        -composite -fill none -stroke '#6f7b87' -draw "ellipse 34.5,19.5 33,18 0,360" \
        -stroke none -font "$bold" -pointsize 12 -fill "$ink" -gravity center \
        -annotate "+$shift+$shift" OK "$work/$1.png"
    bitmap "$work/$1.png" "$1.bmp"
}
button ok-up 43 23 OK raised
button ok-down 43 23 OK pressed
button delete-up 71 23 DELETE raised
button delete-down 71 23 DELETE pressed
oval apply-up raised
oval apply-down pressed
