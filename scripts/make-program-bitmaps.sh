#!/usr/bin/env bash
# Draws the program's own bitmaps (resources/bitmaps) with ImageMagick:
# the seek slider's channel (142 normal, 143 active, 258x12) and thumb
# (144 normal, 145 dragged, 28x12; the top-left pixel's colour is
# transparent), the preview placeholder (133, 258x180) and the window icon
# (128). The results are committed; the build does not run this.
set -euo pipefail
cd "$(dirname "$0")/../resources/bitmaps"
groove() { # colour, file
    convert -size 258x12 xc:'#1d232b' -fill "$1" -draw "roundrectangle 1,4 256,7 2,2" \
        -type TrueColor "BMP3:$2"
}
groove '#4a5563' 142.bmp
groove '#3d9be9' 143.bmp
thumb() { # fill, file
    convert -size 28x12 xc:magenta +antialias -fill "$1" -stroke '#10151b' -draw "roundrectangle 1,0 26,11 5,5" \
        -fill '#ffffff' -stroke none -draw "rectangle 12,3 12,8" -draw "rectangle 15,3 15,8" \
        -type TrueColor "BMP3:$2"
}
thumb '#cfd6df' 144.bmp
thumb '#7cc0ff' 145.bmp
convert -size 258x180 gradient:'#20262e'-'#0f1318' -fill '#3a4552' \
    -draw "polygon 109,70 109,110 149,90" -type TrueColor BMP3:133.bmp
convert -size 32x32 xc:none -fill '#2f6fb5' -draw "roundrectangle 0,0 31,31 6,6" \
    -fill white -draw "polygon 11,8 11,24 24,16" -background '#2f6fb5' -flatten \
    -type TrueColor BMP3:128.bmp
