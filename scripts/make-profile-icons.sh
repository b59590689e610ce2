#!/usr/bin/env bash
# Draws the profile icons (16x16 BMP) of data/Profiles/icon with ImageMagick.
# The results are committed; the build does not run this.

set -euo pipefail
cd "$(dirname "$0")/../data/Profiles/icon"
font=/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed-Bold.ttf
icon() { # name, background, text, text size
    convert -size 16x16 xc:none -fill "$2" -draw "roundrectangle 0,0 15,15 3,3" \
        -font "$font" -pointsize "$4" -fill white -gravity center -annotate +0+0 "$3" \
        -background '#c0c0c0' -flatten -type TrueColor "BMP3:$1.bmp"
}
# categories
icon avi '#2f6fb5' AVI 6
icon mp4 '#3c9a3c' MP4 6
icon wmv '#c0502a' WMV 5.5
icon flv '#b52f2f' FLV 6
icon mpeg '#7a4fb5' MPG 5.5
icon 3gp '#2fa3b5' 3GP 6
icon mkv '#4b6b8a' MKV 6
icon audio '#d08a16' '♪' 11
# profiles
icon xvid '#2f6fb5' XV 8
icon mpeg4 '#2f6fb5' M4 8
icon h264 '#3c9a3c' 264 7
icon ipod '#555555' iP 8
icon wmv9 '#c0502a' WM 7
icon flash '#b52f2f' F 10
icon vcd '#7a4fb5' VCD 5.5
icon dvd '#7a4fb5' DVD 5.5
icon mobile '#2fa3b5' 3G 8
icon mkvh264 '#4b6b8a' MK 7.5
icon mp3 '#d08a16' MP3 5.5
icon wav '#a0701a' WAV 5.5
icon aac '#c86f10' AAC 5.5
icon m4a '#c86f10' M4A 5.5
icon ac3 '#8a5a10' AC3 5.5
icon ogg '#b08a30' OGG 5.5
icon flac '#90781a' FL 7.5
icon wma '#c0502a' WMA 5
