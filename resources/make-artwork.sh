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

# --- Pictures and buttons, at 100%, 150% and 200% ----------------------------------------
# One description draws each picture at every scale: sizes, places and type sizes in pixels of
# the 100% picture, multiplied by the scale. The 100% files keep their names; the others end
# in -150 and -200. The program takes the nearest for a screen's scaling and stretches it to
# the rest.
scale=100
px() { echo $(($1 * scale / 100)); }
pt() { awk -v p="$1" -v s="$scale" 'BEGIN { print p * s / 100 }'; }

# Every JPEG says 96 pixels per inch times the scale, so that it loads at its pixel size.
jpeg() { convert "$1" -strip -units PixelsPerInch -density $(px 96) -quality 92 \
    -sampling-factor 1x1 "$2"; }

# Where the dialogs put their caption-less check boxes, in client pixels at 100%, as
# MapDialogRect under Wine gives them for the templates' fonts (box left, top, right, bottom):
#   main window: Restart box 16,56-28,67; Shut down box 534,56-546,67
#   Settings:    start with Windows 25,24-40,38; start minimised 25,71-40,85
# Each caption stands on the box's vertical centre, a few pixels from it. The White skin is
# 510 pixels wide, narrower than the main window (566): "SHUT DOWN PC" ends inside it, and
# both skins put it at the same place.
caption() { # image, gravity, x, y (top of a 12-pixel line), text
    mogrify -font "$bold" -pointsize "$(pt 9)" -fill "$ink" -gravity "$2" \
        -annotate "+$(px "$3")+$(px "$4")" "$5" "$1"
}
skinCaptions() {
    caption "$1" NorthWest 34 56 "RESTART PC"
    caption "$1" NorthEast $(($2 - 506)) 56 "SHUT DOWN PC"
}

# --- Button bitmaps: 32 bits per pixel ------------------------------------------------------
# The fourth byte of each pixel is unused in a BI_RGB bitmap and stays zero: a static control
# would otherwise keep an alpha-blended copy of its own of every picture it is given.
bitmap() { convert "$1" -alpha set -channel A -evaluate set 0 +channel \
    -define bmp3:alpha=true "BMP3:$2"; }
button() { # name, width, height, text, raised|pressed
    local top='#ffffff' bottom='#d3d9df' shift=0 w h
    [ "$5" = pressed ] && top='#b9c1c9' bottom='#e3e7eb' shift=$(px 1)
    w=$(px "$2") h=$(px "$3")
    convert -size "${w}x${h}" gradient:"$top"-"$bottom" -fill none -stroke '#6f7b87' \
        -strokewidth "$(px 1)" -draw "rectangle 0,0 $((w - 1)),$((h - 1))" -stroke none \
        -font "$bold" -pointsize "$(pt 10)" -fill "$ink" -gravity center \
        -annotate "+$shift+$shift" "$4" "$work/$1.png"
    bitmap "$work/$1.png" "$1$suffix.bmp"
}
oval() { # name, raised|pressed
    local top='#ffffff' bottom='#c9d3dc' shift=0 size
    [ "$2" = pressed ] && top='#aab6c1' bottom='#e1e7ec' shift=$(px 1)
    size="$(px 70)x$(px 40)"
    local ellipse="ellipse $(pt 34.5),$(pt 19.5) $(px 33),$(px 18) 0,360"
    convert -size "$size" xc:white \( -size "$size" gradient:"$top"-"$bottom" \) \
        \( -size "$size" xc:black -fill white -draw "$ellipse" \) \
        -composite -fill none -stroke '#6f7b87' -strokewidth "$(px 1)" -draw "$ellipse" \
        -stroke none -font "$bold" -pointsize "$(pt 12)" -fill "$ink" -gravity center \
        -annotate "+$shift+$shift" OK "$work/$1.png"
    bitmap "$work/$1.png" "$1$suffix.bmp"
}

for scale in 100 150 200; do
    suffix=""
    [ "$scale" = 100 ] || suffix="-$scale"

    # White skin 28: plain white with a thin accent rule along the top.
    convert -size "$(px 510)x$(px 482)" xc:white -fill "$accent" \
        -draw "rectangle 0,0 $(($(px 510) - 1)),$(($(px 4) - 1))" "$work/white.png"
    skinCaptions "$work/white.png" 510
    jpeg "$work/white.png" "white-skin$suffix.jpg"

    # Metal skin 29: brushed grey, darker at the upper left.
    size="$(px 600)x$(px 450)"
    convert -size "$size" -define gradient:direction=SouthEast gradient:'#9ba2a9'-'#eef0f2' \
        \( -size "$size" xc:gray50 +noise Gaussian -motion-blur "0x$(px 40)+0" -colorspace gray \) \
        -compose soft-light -composite -fill '#5d6770' \
        -draw "rectangle 0,0 $(($(px 600) - 1)),$(($(px 4) - 1))" "$work/metal.png"
    skinCaptions "$work/metal.png" 600
    jpeg "$work/metal.png" "metal-skin$suffix.jpg"

    # Settings background 25: white with the two captions beside the boxes.
    convert -size "$(px 794)x$(px 425)" xc:white "$work/settings.png"
    caption "$work/settings.png" NorthWest 46 25 "START WITH WINDOWS"
    caption "$work/settings.png" NorthWest 46 72 "MINIMIZE ON START"
    jpeg "$work/settings.png" "settings$suffix.jpg"

    # Today background 27: near-white at the lower left to green-grey at the upper right.
    convert -size "$(px 794)x$(px 425)" -define gradient:direction=NorthEast \
        gradient:'#fbfcfa'-'#aebdab' "$work/today.png"
    jpeg "$work/today.png" "today$suffix.jpg"

    button ok-up 43 23 OK raised
    button ok-down 43 23 OK pressed
    button delete-up 71 23 DELETE raised
    button delete-down 71 23 DELETE pressed
    oval apply-up raised
    oval apply-down pressed
done
