#!/usr/bin/env bash
# Generates the test media into the folder given (default: ./media) with
# FFmpeg's test sources and dvdauthor. Files that exist are kept, so a second
# run costs nothing.
set -euo pipefail
out=${1:-media}
mkdir -p "$out"
cd "$out"
ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }
make() { # file, ffmpeg arguments...
    local file=$1
    shift
    [[ -s $file ]] && return 0
    ff "$@" "tmp.$file" && mv "tmp.$file" "$file"
}

# 4 s 640x480 at 25 frames/s, H.264 and stereo AAC
make av.mp4 -f lavfi -i testsrc2=size=640x480:rate=25 -f lavfi -i sine=frequency=440:sample_rate=48000 \
    -t 4 -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac -ac 2
# 16:9 at 29.97 with a 5.1 sound track, Matroska
make wide.mkv -f lavfi -i testsrc2=size=854x480:rate=30000/1001 \
    -f lavfi -i "sine=frequency=330:sample_rate=48000" -t 3 -c:v libx264 -preset ultrafast \
    -pix_fmt yuv420p -c:a ac3 -ac 6
# 23.976 frames/s, MPEG-4 in AVI with MP3
make film.avi -f lavfi -i testsrc2=size=720x480:rate=24000/1001 -f lavfi -i sine=sample_rate=44100 \
    -t 3 -c:v mpeg4 -q:v 5 -c:a libmp3lame -ac 2
# interlaced-style PAL DV size with anamorphic 16:9 pixels
make anamorphic.mp4 -f lavfi -i testsrc2=size=720x576:rate=25 -f lavfi -i sine=sample_rate=48000 \
    -t 3 -vf setsar=64/45 -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac
# the clip of the profile sweep: 5 s 320x240 at 25 frames/s, stereo
make small.mp4 -f lavfi -i testsrc2=size=320x240:rate=25 -f lavfi -i sine=frequency=440:sample_rate=44100 \
    -t 5 -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac -ac 2
make small.wav -f lavfi -i "sine=frequency=523:sample_rate=44100" -t 5 -ac 2 -c:a pcm_s16le
# Phone clips: stored landscape 640x360, shown upright through a 90 or 270
# degree rotation in the display matrix of the video track (written by hand:
# this FFmpeg cannot set it), 2 s
rotate() { # degrees, file: the first track's matrix, in its tkhd box
    perl -e 'my ($deg, $file) = @ARGV;
        open(my $fh, "+<:raw", $file) or die "$file: $!"; local $/; my $d = <$fh>;
        my $p = index($d, "tkhd"); die "no tkhd in $file" if $p < 0;
        my $m = $p + 8 + (ord(substr($d, $p + 4, 1)) == 1 ? 32 : 20) + 16;
        my @r = $deg == 90 ? (0, 65536, 0, -65536) : (0, -65536, 0, 65536);
        seek($fh, $m, 0); print $fh pack("l>9", @r, 0, 0, 0, 0, 1 << 30);' "$@"
}
for r in 90 270; do
    [[ -s rotated$r.mp4 ]] && continue
    ff -f lavfi -i testsrc2=size=640x360:rate=30 -f lavfi -i sine=sample_rate=48000 -t 2 \
        -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac -ac 2 tmp.rotated.mp4
    rotate $r tmp.rotated.mp4 && mv tmp.rotated.mp4 rotated$r.mp4
done
# NTSC DVD size with 4:3 pixels (8:9), 2 s
make anamorphic43.mp4 -f lavfi -i testsrc2=size=720x480:rate=30000/1001 -f lavfi -i sine=sample_rate=48000 \
    -t 2 -vf setsar=8/9 -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac
# 10-bit 4:2:0 and 8-bit 4:2:2 H.264
make tenbit.mkv -f lavfi -i testsrc2=size=640x360:rate=25 -f lavfi -i sine=sample_rate=48000 \
    -t 2 -c:v libx264 -preset ultrafast -pix_fmt yuv420p10le -c:a aac
make chroma422.mkv -f lavfi -i testsrc2=size=640x360:rate=25 -f lavfi -i sine=sample_rate=48000 \
    -t 2 -c:v libx264 -preset ultrafast -pix_fmt yuv422p -c:a aac
# 5.1 AAC sound
make surround.mp4 -f lavfi -i testsrc2=size=320x240:rate=25 -f lavfi -i sine=sample_rate=48000 \
    -t 2 -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac -ac 6
# streams of unequal length: sound 1.5 s longer than the picture, and shorter
make longaudio.mp4 -f lavfi -i testsrc2=size=320x240:rate=25:duration=2 \
    -f lavfi -i sine=sample_rate=48000:duration=3.5 -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac
make longvideo.mp4 -f lavfi -i testsrc2=size=320x240:rate=25:duration=3.5 \
    -f lavfi -i sine=sample_rate=48000:duration=2 -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac
# music with cover art
make cover.mp3 -f lavfi -i sine=sample_rate=44100:duration=2 -f lavfi -i testsrc2=size=300x300:duration=1 \
    -map 0:a -map 1:v -frames:v 1 -c:a libmp3lame -ac 2 -c:v png -disposition:v attached_pic \
    -id3v2_version 3
make cover.m4a -f lavfi -i sine=sample_rate=44100:duration=2 -f lavfi -i testsrc2=size=300x300:duration=1 \
    -map 0:a -map 1:v -frames:v 1 -c:a aac -ac 2 -c:v png -disposition:v attached_pic
# variable frame rate: 1 s at 10 frames/s, then 1 s at 30
make vfr.mp4 -f lavfi -i "testsrc2=size=320x240:rate=30:duration=2,select='lt(t,1)*not(mod(n,3))+gte(t,1)'" \
    -f lavfi -i sine=sample_rate=48000:duration=2 -fps_mode vfr -c:v libx264 -preset ultrafast \
    -pix_fmt yuv420p -c:a aac
# not media at all
[[ -f notmedia.avi ]] || printf 'This is a text file with a video name.\n' >notmedia.avi
[[ -f empty.mp4 ]] || : >empty.mp4
# sound only
make sound.wav -f lavfi -i "sine=frequency=523:sample_rate=44100" -t 3 -ac 2 -c:a pcm_s16le
# video only
make silent.mp4 -f lavfi -i testsrc2=size=320x240:rate=25 -t 2 -c:v libx264 -preset ultrafast \
    -pix_fmt yuv420p
# streams of unequal length: 4 s of picture, 2 s of sound
make unequal.mp4 -f lavfi -i testsrc2=size=320x240:rate=25:duration=4 \
    -f lavfi -i sine=frequency=440:sample_rate=44100:duration=2 \
    -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac -ac 2
# a file cut in half
if [[ ! -s truncated.avi ]]; then
    ff -f lavfi -i testsrc2=size=320x240:rate=25 -f lavfi -i sine=sample_rate=44100 -t 6 \
        -c:v mpeg4 -c:a libmp3lame full.avi
    head -c $(($(stat -c %s full.avi) / 2)) full.avi >truncated.avi
    rm -f full.avi
fi

# a 0.75 s sound effect
make blip.wav -f lavfi -i "sine=frequency=880:sample_rate=44100" -t 0.75 -ac 2 -c:a pcm_s16le
# an MP4 whose index comes first, cut at 60 %: its first 3 s can be read
if [[ ! -s truncated.mp4 ]]; then
    ff -f lavfi -i testsrc2=size=320x240:rate=25 -f lavfi -i sine=sample_rate=44100 -t 5 \
        -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac -movflags +faststart full.mp4
    head -c $(($(stat -c %s full.mp4) * 6 / 10)) full.mp4 >truncated.mp4
    rm -f full.mp4
fi

# A DVD folder: title 1 with two AC-3 tracks (0x80 at 440 Hz, 0x81 at 880 Hz
# in mono), title 2 short with one track.
if [[ ! -d dvd/VIDEO_TS ]]; then
    rm -rf dvd tmp.dvd
    ff -f lavfi -i testsrc2=size=720x576:rate=25 -f lavfi -i sine=frequency=440:sample_rate=48000 \
        -f lavfi -i sine=frequency=880:sample_rate=48000 -t 5 -map 0:v -map 1:a -map 2:a \
        -target pal-dvd -b:v 2000k -ac:a:0 2 -ac:a:1 1 -metadata:s:a:0 language=eng \
        -metadata:s:a:1 language=chi title1.mpg
    ff -f lavfi -i testsrc2=size=720x576:rate=25 -f lavfi -i sine=frequency=660:sample_rate=48000 \
        -t 2 -target pal-dvd -b:v 2000k title2.mpg
    cat >dvd.xml <<'XML'
<dvdauthor dest="tmp.dvd">
  <vmgm />
  <titleset>
    <titles>
      <video format="pal" aspect="4:3" />
      <audio lang="en" /><audio lang="zh" />
      <pgc><vob file="title1.mpg" /></pgc>
      <pgc><vob file="title2.mpg" /></pgc>
    </titles>
  </titleset>
</dvdauthor>
XML
    VIDEO_FORMAT=PAL dvdauthor -x dvd.xml >/dev/null 2>&1
    mv tmp.dvd dvd
    rm -f title1.mpg title2.mpg dvd.xml
fi
# A DVD folder for the valid-title search: titles of 65 s, 5 s and 61 s at
# the small DVD size (352x288), so it is quick to make.
if [[ ! -d dvdlong/VIDEO_TS ]]; then
    rm -rf dvdlong tmp.dvdlong
    for t in 1:65 2:5 3:61; do
        ff -f lavfi -i testsrc2=size=352x288:rate=25 -f lavfi -i sine=frequency=440:sample_rate=48000 \
            -t "${t#*:}" -target pal-dvd -s 352x288 -b:v 400k -maxrate 800k "long${t%%:*}.mpg"
    done
    cat >dvdlong.xml <<'XML'
<dvdauthor dest="tmp.dvdlong">
  <vmgm />
  <titleset>
    <titles>
      <video format="pal" />
      <pgc><vob file="long1.mpg" /></pgc>
      <pgc><vob file="long2.mpg" /></pgc>
      <pgc><vob file="long3.mpg" /></pgc>
    </titles>
  </titleset>
</dvdauthor>
XML
    VIDEO_FORMAT=PAL dvdauthor -x dvdlong.xml >/dev/null 2>&1
    mv tmp.dvdlong dvdlong
    rm -f long1.mpg long2.mpg long3.mpg dvdlong.xml
fi
# A DVD folder with one track of each common format and two subtitle
# streams. Title 1: AC-3 at 440 Hz (id 128), MPEG-1 layer 2 at 660 Hz (id 0),
# LPCM at 990 Hz (id 160), subpicture stream 0 "FIRST" at the top and 1
# "SECOND" at the bottom. Title 2: the same sound, only subpicture stream 1
# (so its one subtitle is physical stream 1).
if [[ ! -d dvdmix/VIDEO_TS ]]; then
    rm -rf dvdmix tmp.dvdmix
    ff -f lavfi -i color=c=0x606060:size=352x288:rate=25 -f lavfi -i sine=frequency=440:sample_rate=48000 \
        -f lavfi -i sine=frequency=660:sample_rate=48000 -f lavfi -i sine=frequency=990:sample_rate=48000 \
        -t 4 -map 0:v -map 1:a -map 2:a -map 3:a -target pal-dvd -s 352x288 -b:v 400k -maxrate 800k \
        -c:a:0 ac3 -b:a:0 192k -c:a:1 mp2 -b:a:1 192k -c:a:2 pcm_s16be -ac 1 mix.mpg 2>/dev/null
    font=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
    for s in 0:FIRST:top 1:SECOND:bottom; do
        IFS=: read -r n text where <<<"$s"
        printf '1\n00:00:00,000 --> 00:00:04,000\n%s\n' "$text" >sub$n.srt
        cat >sub$n.xml <<XML
<subpictures><stream><textsub filename="sub$n.srt" fontsize="40" font="$font"
  horizontal-alignment="center" vertical-alignment="$where" movie-width="352" movie-height="288" />
</stream></subpictures>
XML
    done
    VIDEO_FORMAT=PAL spumux -s 0 sub0.xml <mix.mpg >mix0.mpg 2>/dev/null
    VIDEO_FORMAT=PAL spumux -s 1 sub1.xml <mix0.mpg >mix01.mpg 2>/dev/null
    VIDEO_FORMAT=PAL spumux -s 1 sub1.xml <mix.mpg >mix1.mpg 2>/dev/null
    cat >dvdmix.xml <<'XML'
<dvdauthor dest="tmp.dvdmix">
  <vmgm />
  <titleset>
    <titles>
      <video format="pal" />
      <audio lang="en" /><audio lang="de" /><audio lang="fr" />
      <subpicture lang="en" /><subpicture lang="de" />
      <pgc><vob file="mix01.mpg" /></pgc>
      <pgc><vob file="mix1.mpg" /></pgc>
    </titles>
  </titleset>
</dvdauthor>
XML
    VIDEO_FORMAT=PAL dvdauthor -x dvdmix.xml >/dev/null 2>&1
    mv tmp.dvdmix dvdmix
    rm -f mix.mpg mix0.mpg mix01.mpg mix1.mpg sub0.* sub1.* dvdmix.xml
fi
# A DVD folder of two title sets, a 2 s title in each.
if [[ ! -d dvdsets/VIDEO_TS ]]; then
    rm -rf dvdsets tmp.dvdsets
    ff -f lavfi -i testsrc2=size=352x288:rate=25 -f lavfi -i sine=sample_rate=48000 -t 2 \
        -target pal-dvd -s 352x288 -b:v 400k -maxrate 800k set.mpg
    cat >dvdsets.xml <<'XML'
<dvdauthor dest="tmp.dvdsets">
  <vmgm />
  <titleset><titles><video format="pal" /><pgc><vob file="set.mpg" /></pgc></titles></titleset>
  <titleset><titles><video format="pal" /><pgc><vob file="set.mpg" /></pgc></titles></titleset>
</dvdauthor>
XML
    VIDEO_FORMAT=PAL dvdauthor -x dvdsets.xml >/dev/null 2>&1
    mv tmp.dvdsets dvdsets
    rm -f set.mpg dvdsets.xml
fi
# An MKV of today: two audio languages of different tones (English 440 Hz,
# German 660 Hz, the second flagged default), a SubRip subtitle and two
# chapters, 4 s
if [[ ! -s tracks.mkv ]]; then
    printf '1\n00:00:00,500 --> 00:00:03,000\nHello\n' >tracks.srt
    printf ';FFMETADATA1\ntitle=Two tongues\n[CHAPTER]\nTIMEBASE=1/1000\nSTART=0\nEND=2000\ntitle=One\n[CHAPTER]\nTIMEBASE=1/1000\nSTART=2000\nEND=4000\ntitle=Two\n' >tracks.meta
    ff -f lavfi -i testsrc2=size=640x360:rate=25 -f lavfi -i sine=frequency=440:sample_rate=48000 \
        -f lavfi -i sine=frequency=660:sample_rate=48000 -i tracks.srt -i tracks.meta -t 4 \
        -map 0:v -map 1:a -map 2:a -map 3:s -map_metadata 4 -map_chapters 4 \
        -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac -ac 2 -c:s srt \
        -metadata:s:a:0 language=eng -metadata:s:a:1 language=ger -metadata:s:s:0 language=eng \
        -disposition:a:0 0 -disposition:a:1 default tmp.tracks.mkv
    mv tmp.tracks.mkv tracks.mkv
    rm -f tracks.srt tracks.meta
fi
# HDR phone clips, 1 s 640x360 10-bit H.265 with their colour tags: HDR10
# (PQ, BT.2020, mastering display) and HLG
make hdr10.mkv -f lavfi -i testsrc2=size=640x360:rate=25 -t 1 \
    -vf zscale=t=smpte2084:p=bt2020:m=bt2020nc:tin=bt709:pin=bt709:min=bt709,format=yuv420p10le \
    -c:v libx265 -preset ultrafast -x265-params \
    "log-level=error:colorprim=bt2020:transfer=smpte2084:colormatrix=bt2020nc:master-display=G(13250,34500)B(7500,3000)R(34000,16000)WP(15635,16450)L(10000000,1):max-cll=1000,400" \
    -color_primaries bt2020 -color_trc smpte2084 -colorspace bt2020nc
make hlg.mkv -f lavfi -i testsrc2=size=640x360:rate=25 -t 1 \
    -vf zscale=t=arib-std-b67:p=bt2020:m=bt2020nc:tin=bt709:pin=bt709:min=bt709,format=yuv420p10le \
    -c:v libx265 -preset ultrafast -x265-params \
    "log-level=error:colorprim=bt2020:transfer=arib-std-b67:colormatrix=bt2020nc" \
    -color_primaries bt2020 -color_trc arib-std-b67 -colorspace bt2020nc
# 1 s of interlaced PAL: 50 moving pictures a second woven into 25 frames,
# top field first, MPEG-2 coded as fields
make interlaced.mpg -f lavfi -i testsrc2=size=720x576:rate=50 -t 1 \
    -vf tinterlace=interleave_top,setdar=16/9 -c:v mpeg2video -b:v 6000k \
    -flags +ilme+ildct -top 1 -an -f dvd
# Subtitles and tags of today's files.
# picsub.mkv: 3 s 352x288 grey at 25 frames/s, one 440 Hz sound track, a
# picture subtitle (DVD subpicture, French, "PICTURE" at the bottom for the
# whole span) and a text subtitle (German SubRip, "Text" 0.5-2.5 s)
if [[ ! -s picsub.mkv ]]; then
    ff -f lavfi -i color=c=0x606060:size=352x288:rate=25 -f lavfi -i sine=frequency=440:sample_rate=48000 \
        -t 3 -target pal-dvd -s 352x288 -b:v 400k -c:a mp2 -b:a 192k picsub.mpg
    printf '1\n00:00:00,000 --> 00:00:03,000\nPICTURE\n' >picsub.srt
    cat >picsub.xml <<XML
<subpictures><stream><textsub filename="picsub.srt" fontsize="40"
  font="/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf" horizontal-alignment="center"
  vertical-alignment="bottom" movie-width="352" movie-height="288" /></stream></subpictures>
XML
    VIDEO_FORMAT=PAL spumux -s 0 picsub.xml <picsub.mpg >picsub1.mpg 2>/dev/null
    printf '1\n00:00:00,500 --> 00:00:02,500\nText\n' >text.srt
    ff -fflags +genpts -i picsub1.mpg -i text.srt -map 0:v -map 0:a -map 0:s -map 1:s -c:v copy -c:a copy \
        -c:s:0 copy -c:s:1 srt -metadata:s:s:0 language=fre -metadata:s:s:1 language=ger \
        tmp.picsub.mkv
    mv tmp.picsub.mkv picsub.mkv
    rm -f picsub.mpg picsub1.mpg picsub.srt picsub.xml text.srt
fi
# tagged.flac: 2 s of 523 Hz with title, artist, album, date, comment and a
# 64x64 cover picture; tagged.mp4: 3 s with the same tags, a creation time
# and two chapters
tags=(-metadata title="Quiet Hour" -metadata artist="Test Band" -metadata album="Test Album"
    -metadata date=2021 -metadata comment="made for tests")
make tagged.flac -f lavfi -i sine=frequency=523:sample_rate=44100:duration=2 \
    -f lavfi -i testsrc2=size=64x64:duration=1 -map 0:a -map 1:v -frames:v 1 -c:a flac -c:v png \
    -disposition:v attached_pic "${tags[@]}"
if [[ ! -s tagged.mp4 ]]; then
    printf ';FFMETADATA1\n[CHAPTER]\nTIMEBASE=1/1000\nSTART=0\nEND=1500\ntitle=Start\n[CHAPTER]\nTIMEBASE=1/1000\nSTART=1500\nEND=3000\ntitle=End\n' >tagged.meta
    ff -f lavfi -i testsrc2=size=320x240:rate=25 -f lavfi -i sine=frequency=440:sample_rate=48000 \
        -i tagged.meta -t 3 -map 0:v -map 1:a -map_chapters 2 -c:v libx264 -preset ultrafast \
        -pix_fmt yuv420p -c:a aac "${tags[@]}" -metadata creation_time=2021-05-04T03:02:01Z \
        tmp.tagged.mp4
    mv tmp.tagged.mp4 tagged.mp4
    rm -f tagged.meta
fi
echo "media ready in $(pwd)"
# A DVD folder with decoy titles, as copy protections lay them out: title 3 is
# the feature (61 s, four cells in sector order); titles 1, 2 and 4 play the
# feature's own cells (dvdauthor stores a file named again with the same
# chapters once) and are as long or longer. Titles 1 and 2 then get their
# cell tables shuffled in the IFO:
#   title 1: cells 4 2 3 1 2 4 1 3 (2:02), title 2: 2 1 4 3 (1:01),
#   title 4: 1 2 3 4 1 2 3 4 (2:02, back to the start half way).
# dvdauthor's first-play program jumps to title 1, a decoy.
# dvdfirst: two ordinary titles of their own cells (66 s and 61 s); the
# first-play program goes to a menu program that jumps to title 2.
if [[ ! -d dvddecoy/VIDEO_TS || ! -d dvdfirst/VIDEO_TS ]]; then
    rm -rf dvddecoy tmp.dvddecoy dvdfirst tmp.dvdfirst
    for t in feature:61:440 first:66:660; do
        IFS=: read -r name seconds tone <<<"$t"
        ff -f lavfi -i testsrc2=size=352x288:rate=25 -f lavfi -i "sine=frequency=$tone:sample_rate=48000" \
            -t "$seconds" -target pal-dvd -s 352x288 -b:v 150k -maxrate 300k -b:a 64k "$name.mpg"
    done
    vob='<vob file="feature.mpg" chapters="0,0:15,0:30,0:45" />'
    cat >dvddecoy.xml <<XML
<dvdauthor dest="tmp.dvddecoy">
  <vmgm />
  <titleset>
    <titles>
      <video format="pal" />
      <pgc>$vob$vob</pgc>
      <pgc>$vob</pgc>
      <pgc>$vob</pgc>
      <pgc>$vob$vob</pgc>
    </titles>
  </titleset>
</dvdauthor>
XML
    VIDEO_FORMAT=PAL dvdauthor -x dvddecoy.xml >/dev/null 2>&1
    ifo=tmp.dvddecoy/VIDEO_TS/VTS_01_0.IFO
    u() { od -An -tu1 -j "$2" -N "$3" "$1" | awk '{for (i = 1; i <= NF; ++i) v = v * 256 + $i} END {print v}'; }
    pgcit=$(($(u "$ifo" 204 4) * 2048))
    pgc() { echo $((pgcit + $(u "$ifo" $((pgcit + 8 + 8 * ($1 - 1) + 4)) 4))); }
    feature=$(pgc 3)
    fplay=$((feature + $(u "$ifo" $((feature + 232)) 2)))
    fpos=$((feature + $(u "$ifo" $((feature + 234)) 2)))
    for order in "1:4 2 3 1 2 4 1 3" "2:2 1 4 3"; do
        IFS=: read -r title cells <<<"$order"
        at=$(pgc "$title")
        set -- $cells
        [[ $(u "$ifo" $((at + 3)) 1) == "$#" ]] || { echo "dvddecoy: title $title has no $# cells" >&2; exit 1; }
        play=$((at + $(u "$ifo" $((at + 232)) 2)))
        pos=$((at + $(u "$ifo" $((at + 234)) 2)))
        i=0
        for c in $cells; do # each cell's playback entry (24 bytes) and position (4 bytes)
            dd if="$ifo" of="$ifo" bs=1 skip=$((fplay + 24 * (c - 1))) seek=$((play + 24 * i)) count=24 conv=notrunc status=none
            dd if="$ifo" of="$ifo" bs=1 skip=$((fpos + 4 * (c - 1))) seek=$((pos + 4 * i)) count=4 conv=notrunc status=none
            i=$((i + 1))
        done
    done
    cp "$ifo" tmp.dvddecoy/VIDEO_TS/VTS_01_0.BUP
    mv tmp.dvddecoy dvddecoy
    cat >dvdfirst.xml <<'XML'
<dvdauthor dest="tmp.dvdfirst">
  <vmgm>
    <fpc>jump vmgm menu entry title;</fpc>
    <menus><pgc entry="title"><pre>jump title 2;</pre></pgc></menus>
  </vmgm>
  <titleset>
    <titles>
      <video format="pal" />
      <pgc><vob file="first.mpg" /></pgc>
      <pgc><vob file="feature.mpg" /></pgc>
    </titles>
  </titleset>
</dvdauthor>
XML
    VIDEO_FORMAT=PAL dvdauthor -x dvdfirst.xml >/dev/null 2>&1
    mv tmp.dvdfirst dvdfirst
    rm -f feature.mpg first.mpg dvddecoy.xml dvdfirst.xml
fi
