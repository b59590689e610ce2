#!/usr/bin/env bash
# Today's profiles on one reference clip, side by side in one run: each
# profile's speed (frames a second on this machine) and the result's size.
#   bench/today-profiles.sh [build folder] [seconds]
# The clip: 1920x1080 at 30 frames/s, a moving test picture with light
# noise (so it does not compress unlike a camera's), stereo 48 kHz.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
seconds=${2:-10}
work=$build/bench/today
mkdir -p "$work/out"
clip=$work/reference-1080p30.mkv
if [[ ! -s $clip ]]; then
    ffmpeg -nostdin -hide_banner -loglevel error -y \
        -f lavfi -i "testsrc2=size=1920x1080:rate=30,noise=alls=8:allf=t" \
        -f lavfi -i "sine=frequency=440:sample_rate=48000" -t "$seconds" \
        -c:v libx264 -crf 16 -preset veryfast -pix_fmt yuv420p -c:a flac -ac 2 "$clip"
fi
frames=$((seconds * 30))
printf '%-34s %8s %10s %12s\n' profile fps seconds bytes
for profile in "MP4 - H.264 Video" "MP4 - H.264 HD Video" "MP4 - H.265 Video" "MP4 - Share (25 MB)" "MP4 - Upload Master" \
    "MKV - H.265 10-bit Library Copy" "MKV - AV1 Video" "WebM - VP9 Video" "MOV - ProRes 422" \
    "Opus - Opus Audio" "M4A - ALAC Audio"; do
    rm -rf "$work/out"/*
    start=$(date +%s.%N)
    out=$("$build/quorvane-cli" -p "$profile" -o "$work/out" -- "$clip" 2>/dev/null) || {
        printf '%-34s failed\n' "$profile"
        continue
    }
    end=$(date +%s.%N)
    size=$(stat -c %s "$out")
    awk -v p="$profile" -v s="$start" -v e="$end" -v f="$frames" -v b="$size" \
        'BEGIN { printf "%-34s %8.1f %10.1f %12d\n", p, f / (e - s), e - s, b }'
done
