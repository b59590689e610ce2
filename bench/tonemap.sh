#!/usr/bin/env bash
# The HDR tone-mapping path beside the same FFmpeg filter chain typed by hand:
# a 10 s 1080p HDR10 clip to "MP4 - H.264 HD Video" through quorvane-cli, and
# FFmpeg with the usual zscale + tonemap chain and the same x264 and AAC
# settings, alternating, RUNS times each (default 3). Prints one row: the
# medians, their ratio, and the SSIM of the program's picture against the
# hand-made one (the same tone mapping gives nearly the same picture).
#   bench/tonemap.sh [build folder] [runs]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${2:-3}
cli=$build/quorvane-cli
[[ -x $cli ]] || { echo "tonemap: $cli is not built" >&2; exit 1; }
media=$build/bench/media
mkdir -p "$media"
ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }

clip=$media/hdr10-1080p.mkv
if [[ ! -s $clip ]]; then
    ff -f lavfi -i "testsrc2=size=1920x1080:rate=30" -f lavfi -i "sine=frequency=330:sample_rate=48000" \
        -t 10 -vf zscale=t=smpte2084:p=bt2020:m=bt2020nc:tin=bt709:pin=bt709:min=bt709,format=yuv420p10le \
        -c:v libx265 -preset ultrafast -x265-params \
        "log-level=error:colorprim=bt2020:transfer=smpte2084:colormatrix=bt2020nc:master-display=G(13250,34500)B(7500,3000)R(34000,16000)WP(15635,16450)L(10000000,1):max-cll=1000,400" \
        -color_primaries bt2020 -color_trc smpte2084 -colorspace bt2020nc -c:a flac "$media/tmp.hdr.mkv"
    mv "$media/tmp.hdr.mkv" "$clip"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QUORVANE_LOG_DIR=$work/log
mkdir -p "$QUORVANE_LOG_DIR" "$work/out"
now() { date +%s.%N; }
median() { sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
chain="zscale=t=linear:npl=100,format=gbrpf32le,zscale=p=bt709,tonemap=tonemap=hable:desat=0"
chain+=",zscale=t=bt709:m=bt709:r=tv,format=yuv420p"

ours=() hand=()
for ((i = 0; i < runs; i++)); do
    rm -f "$work/out"/*
    t0=$(now)
    result=$("$cli" -p "MP4 - H.264 HD Video" -o "$work/out" -- "$clip" 2>>"$work/cli.log") || {
        echo "tonemap  quorvane-cli failed: $(tail -1 "$work/cli.log")  misses"
        exit 0
    }
    t1=$(now)
    ff -i "$clip" -vf "$chain" -c:v libx264 -crf 22 -preset fast -profile:v main \
        -color_primaries bt709 -color_trc bt709 -colorspace bt709 \
        -c:a aac -b:a 160k -ac 2 -movflags +faststart "$work/hand.mp4"
    t2=$(now)
    ours+=("$(awk -v a="$t0" -v b="$t1" 'BEGIN { print b - a }')")
    hand+=("$(awk -v a="$t1" -v b="$t2" 'BEGIN { print b - a }')")
done
mo=$(printf '%s\n' "${ours[@]}" | median)
mh=$(printf '%s\n' "${hand[@]}" | median)
alike=$(ffmpeg -nostdin -hide_banner -i "$result" -i "$work/hand.mp4" -lavfi "[0:v][1:v]ssim=shortest=1" \
    -f null - 2>&1 | sed -n 's/.*SSIM.* All:\([0-9.]*\).*/\1/p' | tail -1)
awk -v o="$mo" -v h="$mh" -v s="${alike:-0}" -v n="$runs" 'BEGIN {
    r = o / h
    v = (r <= 1.10 && s >= 0.99) ? "holds" : "misses"
    printf "tonemap  HDR10 1080p 10 s to \"MP4 - H.264 HD Video\": %.1f s vs FFmpeg by hand %.1f s " \
           "(medians of %d) ratio %.2f, pictures alike SSIM %.4f  goal ratio <= 1.10 and SSIM >= 0.99  %s\n",
           o, h, n, r, s, v }'
