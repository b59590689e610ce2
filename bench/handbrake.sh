#!/usr/bin/env bash
# The program's profiles beside HandBrakeCLI's presets of the same codec and
# size, on the same clips in one run: wall time, output size and SSIM of each
# result against its source (FFmpeg's ssim filter, the result scaled back to
# the source's size where it differs).
#   bench/handbrake.sh [build folder]
# Prints one line per pair, ending in its goal and "holds" or "misses".
# QV_HB_PAIRS overrides the pairs: "PROFILE|PRESET;PROFILE|PRESET...";
# QV_HB_SECONDS the clips' length (default 60).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cli=$build/quorvane-cli
[[ -x $cli ]] || { echo "handbrake: $cli is not built" >&2; exit 1; }
scripts/setup bench/debian-packages.txt >/dev/null

media=$build/bench/media
seconds=${QV_HB_SECONDS:-60}
mkdir -p "$media"
ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }

# A minute of 1080p30 with motion and a little grain, kept nearly lossless so that
# the source is a fair reference.
if [[ ! -s $media/hd$seconds.mkv ]]; then
    ff -f lavfi -i "testsrc2=size=1920x1080:rate=30,noise=alls=4:allf=t" \
        -f lavfi -i "sine=frequency=330:sample_rate=48000" -t "$seconds" \
        -c:v libx264 -preset ultrafast -crf 8 -pix_fmt yuv420p -c:a flac "$media/tmp.mkv"
    mv "$media/tmp.mkv" "$media/hd$seconds.mkv"
fi
# A minute of a PAL DVD's picture: 720x576, 16:9, interlaced top field first,
# MPEG-2 at a DVD's rate with AC-3 sound.
if [[ ! -s $media/dvd$seconds.mpg ]]; then
    ff -f lavfi -i "testsrc2=size=720x576:rate=50,tinterlace=interleave_top,setdar=16/9" \
        -f lavfi -i "sine=frequency=440:sample_rate=48000" -t "$seconds" \
        -c:v mpeg2video -b:v 6000k -maxrate 9000k -bufsize 1835k -flags +ilme+ildct -top 1 \
        -c:a ac3 -b:a 192k -f dvd "$media/tmp.mpg"
    mv "$media/tmp.mpg" "$media/dvd$seconds.mpg"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QUORVANE_LOG_DIR=$work/log
mkdir -p "$QUORVANE_LOG_DIR"
log=$build/bench/handbrake.log
: >"$log"

now() { date +%s.%N; }
size() { stat -c %s "$1"; }
ssim() { # result source: the mean SSIM (All) of the result against the source
    local wh
    wh=$(ffprobe -v error -select_streams v:0 -show_entries stream=width,height -of csv=p=0:s=x "$2" | head -1)
    wh=${wh%x}
    ffmpeg -nostdin -hide_banner -i "$1" -i "$2" -lavfi \
        "[0:v]scale=${wh%x*}:${wh#*x}:flags=bicubic,setsar=1[a];[1:v]setsar=1[b];[a][b]ssim=shortest=1" \
        -f null - 2>&1 | sed -n 's/.*SSIM.* All:\([0-9.]*\).*/\1/p' | tail -1
}

pairs=${QV_HB_PAIRS:-"MP4 - H.264 HD Video|Fast 1080p30;MKV - H.265 10-bit Library Copy|H.265 MKV 1080p30"}
IFS=';' read -r -a list <<<"$pairs"
verdicts=0
for source in "$media/hd$seconds.mkv" "$media/dvd$seconds.mpg"; do
    name=$(basename "$source")
    for pair in "${list[@]}"; do
        profile=${pair%%|*}
        preset=${pair#*|}
        # HandBrake's preset of the source's size: 1080p for the HD clip, 576p25 for the DVD one.
        [[ $name == dvd* ]] && preset=${preset/1080p30/576p25}
        out=$work/$name-q && rm -rf "$out" && mkdir -p "$out"
        t0=$(now)
        if ! "$cli" -p "$profile" -o "$out" "$source" >>"$log" 2>&1; then
            echo "hb $name  \"$profile\" failed (see $log)  misses"
            continue
        fi
        t1=$(now)
        ours=$(ls "$out"/* | head -1)
        ext=${ours##*.}
        theirs=$work/$name-hb.$ext
        t2=$(now)
        if ! HandBrakeCLI -i "$source" -o "$theirs" --preset "$preset" >>"$log" 2>&1; then
            echo "hb $name  HandBrakeCLI \"$preset\" failed (see $log)  misses"
            continue
        fi
        t3=$(now)
        oursT=$(LC_ALL=C awk -v a="$t0" -v b="$t1" 'BEGIN { print b - a }')
        theirsT=$(LC_ALL=C awk -v a="$t2" -v b="$t3" 'BEGIN { print b - a }')
        oursS=$(ssim "$ours" "$source")
        theirsS=$(ssim "$theirs" "$source")
        oursB=$(size "$ours")
        theirsB=$(size "$theirs")
        LC_ALL=C awk -v n="$name" -v p="$profile" -v h="$preset" -v ot="$oursT" -v tt="$theirsT" \
            -v os="$oursS" -v ts="$theirsS" -v ob="$oursB" -v tb="$theirsB" 'BEGIN {
            tr = ot / tt; sr = ob / tb; q = (ts - os) / ts
            ok = (tr <= 1.0 && q <= 0.005 && sr <= 1.05)
            printf "hb %s  \"%s\" %.1f s %.1f MB SSIM %.4f vs HandBrakeCLI \"%s\" %.1f s %.1f MB SSIM %.4f: time %.2fx size %.2fx SSIM %+.2f%%  goal time <= 1.0x, SSIM at most 0.5%% below, size at most 5%% above  %s\n",
                n, p, ot, ob / 1e6, os, h, tt, tb / 1e6, ts, tr, sr, -100 * q, ok ? "holds" : "misses"
        }'
    done
done
