#!/usr/bin/env bash
# The size estimate against the real result, side by side in one run: for
# clips of different content and profiles of each kind (bit rates, quality,
# a two-pass target size, lossless sound), the estimate (quorvane-cli
# --estimate), the real size (quorvane-cli), the error, and the estimate's
# cost as a share of the conversion's time. Goal: within 20 % of the real
# size; the cost is reported beside it (its aim: at most 5 % of the job).
#   bench/estimate.sh [build folder] [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
seconds=${2:-30}
work=$build/bench/estimate
mkdir -p "$work/out"
ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }
t=$seconds

# Clips the estimator was never tuned on, each with its own kind of content.
[[ -s $work/static.mkv ]] || ff -f lavfi -i "smptehdbars=size=640x360:rate=25" \
    -f lavfi -i "sine=frequency=500:sample_rate=48000" -t "$t" \
    -c:v libx264 -crf 14 -preset veryfast -pix_fmt yuv420p -c:a flac "$work/static.mkv"
[[ -s $work/motion.mkv ]] || ff -f lavfi -i "testsrc2=size=640x360:rate=30,noise=alls=18:allf=t+u,hue=H=t" \
    -f lavfi -i "anoisesrc=color=pink:sample_rate=48000:amplitude=0.4" -t "$t" \
    -c:v libx264 -crf 14 -preset veryfast -pix_fmt yuv420p -c:a flac -ac 2 "$work/motion.mkv"
[[ -s $work/talking.mkv ]] || ff -f lavfi -i "color=c=0x335577:size=640x360:rate=25" \
    -f lavfi -i "testsrc=size=160x160:rate=25" \
    -f lavfi -i "anoisesrc=color=brown:sample_rate=44100:amplitude=0.3" -t "$t" \
    -filter_complex "[0][1]overlay=x=240+20*sin(t):y=90+6*sin(3*t),noise=alls=3:allf=t[v];[2]volume='0.3+0.7*abs(sin(2*PI*1.7*t))':eval=frame[a]" \
    -map "[v]" -map "[a]" -c:v libx264 -crf 14 -preset veryfast -pix_fmt yuv420p -c:a flac "$work/talking.mkv"
[[ -s $work/music.flac ]] || ff -f lavfi \
    -i "aevalsrc=0.2*sin(2*PI*220*t)+0.15*sin(2*PI*277*t)*sin(PI*t/3)+0.1*sin(2*PI*330*t)+0.05*random(0)|0.2*sin(2*PI*220*t+1)+0.1*sin(2*PI*440*t)+0.05*random(1):s=44100" \
    -t "$t" -c:a flac "$work/music.flac"

video_profiles=("MP4 - H.264 Video" "AVI - XviD Video" "MP4 - H.265 Video" "MKV - AV1 Video"
    "MP4 - Upload Master" "MP4 - Share (25 MB)")
audio_profiles=("MP3 - MPEG Audio Layer 3" "FLAC - Lossless Audio" "M4A - ALAC Audio"
    "Opus - Opus Audio")

now() { date +%s.%N; }
printf '%-9s %-26s %12s %12s %8s %7s  %s\n' clip profile estimate real error cost goal
row() {
    local clip=$1 profile=$2 name
    name=$(basename "$clip")
    name=${name%.*}
    rm -rf "$work/out"/*
    local s0 s1 s2 line est real
    s0=$(now)
    line=$("$build/quorvane-cli" --estimate -p "$profile" -- "$clip" 2>>"$work/log") || {
        printf '%-9s %-26s estimate failed (see %s)  misses\n' "$name" "$profile" "$work/log"
        return
    }
    s1=$(now)
    est=$(cut -f2 <<<"$line")
    out=$("$build/quorvane-cli" -p "$profile" -o "$work/out" -- "$clip" 2>>"$work/log") || {
        printf '%-9s %-26s conversion failed  misses\n' "$name" "$profile"
        return
    }
    s2=$(now)
    real=$(stat -c %s "$out")
    awk -v c="$name" -v p="$profile" -v e="$est" -v r="$real" -v a="$s0" -v b="$s1" -v z="$s2" 'BEGIN {
        err = (e - r) * 100 / r; cost = (b - a) * 100 / (z - b)
        verdict = (err <= 20 && err >= -20) ? "holds" : "misses"
        printf "%-9s %-26s %12d %12d %+7.1f%% %6.1f%%  within 20 %%: %s\n", c, p, e, r, err, cost, verdict
    }'
}
for clip in "$work/static.mkv" "$work/motion.mkv" "$work/talking.mkv"; do
    for profile in "${video_profiles[@]}"; do row "$clip" "$profile"; done
done
for profile in "${audio_profiles[@]}"; do row "$work/music.flac" "$profile"; done
