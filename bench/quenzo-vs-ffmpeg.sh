#!/usr/bin/env bash
# How much quenzo costs over running FFmpeg directly on the same work.
# Encodes a 60 s 640x480 clip to H.264 + AAC in MP4 and to XviD + MP3 in AVI,
# alternating quenzo and plain FFmpeg, RUNS times each (default 5), and
# prints the ratio of the medians (quenzo / FFmpeg) per workload.
#   bench/quenzo-vs-ffmpeg.sh [build folder] [runs]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${2:-5}
quenzo=$build/codecs/quenzo
[[ -x $quenzo ]] || { echo "build first: $quenzo is missing" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

ffmpeg -nostdin -loglevel error -f lavfi -i testsrc2=size=640x480:rate=25 \
    -f lavfi -i sine=frequency=440:sample_rate=48000 -t 60 -c:v libx264 -preset veryfast \
    -pix_fmt yuv420p -c:a aac -ac 2 "$work/clip.mp4"

now() { date +%s.%N; }
sub() { awk -v a="$1" -v b="$2" "BEGIN { print a - b }"; }
median() { sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

bench() { # name, output extension, quenzo options
    local name=$1 ext=$2 options=$3
    # The FFmpeg command quenzo runs, less its progress reporting.
    mapfile -t direct < <($quenzo -quenzo-dry-run $options "$work/clip.mp4" -o "$work/direct.$ext" |
        sed -e '/^-progress$/,+1d' -e '/^-stats_period$/,+1d' -e 's/^level+info$/error/')
    local q=() f=()
    for ((i = 0; i < runs; i++)); do
        local t0 t1 t2
        t0=$(now)
        $quenzo $options "$work/clip.mp4" -o "$work/q$i.$ext" >/dev/null
        t1=$(now)
        "${direct[@]}" >/dev/null 2>&1
        t2=$(now)
        q+=("$(sub "$t1" "$t0")")
        f+=("$(sub "$t2" "$t1")")
        rm -f "$work/q$i.$ext" "$work/direct.$ext"
    done
    local mq mf
    mq=$(printf '%s\n' "${q[@]}" | median)
    mf=$(printf '%s\n' "${f[@]}" | median)
    printf '%-28s quenzo %7.2f s  ffmpeg %7.2f s  ratio %.3f\n' "$name" "$mq" "$mf" \
        "$(awk -v a="$mq" -v b="$mf" "BEGIN { print a / b }")"
}

bench "H.264 + AAC in MP4" mp4 "-mc 0 -ofps 25 -srate 44100 -af volnorm -vf-add scale=640:-2,expand=:480:::,crop=640:480 -of lavf -lavfopts format=mp4 -oac faac -faacopts br=128:mpeg=4:object=2 -ovc x264 -x264encopts bitrate=1000:threads=0"
bench "XviD + MP3 in AVI" avi "-mc 0 -ofps 25 -srate 44100 -af volnorm -vf-add scale=640:-2,expand=:480:::,crop=640:480 -oac mp3lame -lameopts cbr:br=128:mode=0 -ovc xvid -xvidencopts bitrate=1000:threads=2"
