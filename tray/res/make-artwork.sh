#!/bin/sh
# Draws the tray agent's icon and menu bitmaps. Run by hand after changing
# a drawing; the outputs beside this script are committed.
# Menu bitmaps are 16x16 palette images on silver RGB(192,192,192), drawn
# only in exact colours (no antialiasing): the menu maps their black, gray,
# silver and white to the system's colours.
set -eu
cd "$(dirname "$0")"

bitmap() {  # name, drawing arguments...
    out=$1; shift
    convert -size 16x16 xc:'rgb(192,192,192)' +antialias -strokewidth 1 "$@" \
        +dither -type Palette -compress None BMP3:"$out"
}

# Update: a green arrow pointing down into a tray.
bitmap update.bmp \
    -fill 'rgb(65,120,23)' -stroke black \
    -draw 'polygon 6,1 9,1 9,7 12,7 7,12 3,7 6,7' \
    -stroke black -draw 'line 1,14 14,14' -draw 'line 1,11 1,14' -draw 'line 14,11 14,14' \
    -stroke 'rgb(128,128,128)' -draw 'line 2,13 13,13'

# Schedule: a calendar page with a dark header and day marks.
bitmap schedule.bmp \
    -fill white -stroke black -draw 'rectangle 1,2 14,14' \
    -fill 'rgb(65,78,23)' -stroke black -draw 'rectangle 1,2 14,5' \
    -stroke 'rgb(128,128,128)' -draw 'point 4,8' -draw 'point 7,8' -draw 'point 10,8' \
    -draw 'point 4,11' -draw 'point 7,11' \
    -fill 'rgb(168,184,78)' -stroke 'rgb(65,120,23)' -draw 'rectangle 9,10 11,12'

# History: a clock face.
bitmap history.bmp \
    -fill white -stroke black -draw 'circle 7,7 7,1' \
    -stroke 'rgb(65,78,23)' -draw 'line 7,7 7,3' -draw 'line 7,7 10,9' \
    -stroke 'rgb(128,128,128)' -draw 'point 7,12' -draw 'point 2,7' -draw 'point 12,7'

# Exit: an open door with an arrow leaving it.
bitmap exit.bmp \
    -fill 'rgb(128,128,128)' -stroke black -draw 'rectangle 2,1 9,14' \
    -fill white -stroke black -draw 'polygon 2,1 6,3 6,15 2,14' \
    -fill 'rgb(190,40,30)' -stroke 'rgb(190,40,30)' \
    -draw 'line 9,8 14,8' -draw 'polygon 12,5 15,8 12,11'

# The icon: a green disc with a pale upward chevron, in three sizes.
for size in 16 32 48; do
    convert -size 48x48 xc:none \
        -fill 'rgb(65,78,23)' -draw 'circle 24,24 24,2' \
        -fill 'rgb(168,184,78)' -draw 'circle 24,24 24,6' \
        -fill white -draw 'polygon 24,10 38,26 31,26 31,38 17,38 17,26 10,26' \
        -resize ${size}x${size} icon-$size.png
done
convert icon-16.png icon-32.png icon-48.png kta.ico
rm icon-16.png icon-32.png icon-48.png
