#include "OptionTable.h"

#include "Translate.h"

#include <algorithm>

namespace quenzo {

namespace {

// "mp2, ac3, libvorbis (vorbis), ...": each FFmpeg name of a table once, in
// the table's order, with the other names that stand for it.
std::string Grouped(const NameTable& table) {
    std::vector<std::string> seen;
    std::string text;
    for (const auto& [name, ffmpeg] : table) {
        if (std::find(seen.begin(), seen.end(), ffmpeg) != seen.end())
            continue;
        seen.push_back(ffmpeg);
        std::string others;
        for (const auto& [other, same] : table)
            if (same == ffmpeg && other != ffmpeg)
                others += (others.empty() ? "" : ", ") + other;
        text += (text.empty() ? "" : ", ") + ffmpeg + (others.empty() ? "" : " (" + others + ")");
    }
    return text;
}

// "h264 / m4v / ...": each FFmpeg name of a table once, in the table's order.
std::string Targets(const NameTable& table) {
    std::vector<std::string> seen;
    std::string text;
    for (const auto& [name, ffmpeg] : table) {
        if (std::find(seen.begin(), seen.end(), ffmpeg) != seen.end())
            continue;
        seen.push_back(ffmpeg);
        text += (text.empty() ? "" : " / ") + ffmpeg;
    }
    return text;
}

// The sub-options a family accepts and leaves without effect, for its row.
std::string NoEffect(const Option& family) {
    std::string text;
    for (const std::string& key : family.noEffect)
        text += (text.empty() ? "; accepted without effect: " : ", ") + key;
    return text;
}

// The lavc video codecs that keep their pictures' own sampling.
std::string OwnSampling() {
    std::string text;
    for (const auto& [name, ffmpeg] : LavcVideoCodecs())
        if (!Yuv420Encoders().count(ffmpeg) && name == ffmpeg) // each encoder once
            text += (text.empty() ? "" : ", ") + name;
    return text;
}

std::vector<DocRow> RowsOf(const std::vector<FilterKind>& filters) {
    std::vector<DocRow> rows;
    for (const FilterKind& kind : filters)
        rows.insert(rows.end(), kind.rows.begin(), kind.rows.end());
    return rows;
}

using Value = const ArgValue&;
using Name = const std::string&;

std::vector<Option> BuildTable() {
    // The sub-option families, each documented in the row of the encoder or
    // the container that uses it.
    const Option x264{.names = {"-x264encopts"},
                      .arg = Arg::SubOptions,
                      .keys = {"bitrate", "threads",    "crf",         "global_header",
                               "subq",    "frameref",   "bframes",     "level_idc",
                               "cabac",   "nocabac",    "vbv_maxrate", "vbv_bufsize",
                               "keyint",  "keyint_min", "trellis",     "me",
                               "8x8dct",  "no8x8dct",   "weight_b",    "qp",
                               "preset",  "profile"},
                      .noEffect = {"turbo"},
                      .store = [](EncodeJob& j, Name, Value v) { j.x264.Merge(v.text); }};
    const Option xvid{
        .names = {"-xvidencopts"},
        .arg = Arg::SubOptions,
        .keys = {"bitrate", "threads", "max_bframes", "me_quality", "trellis", "fixed_quant"},
        .noEffect = {"notrellis", "autoaspect", "chroma_opt", "vhq"},
        .store = [](EncodeJob& j, Name, Value v) { j.xvid.Merge(v.text); }};
    const Option lavc{
        .names = {"-lavcopts"},
        .arg = Arg::SubOptions,
        .keys = {"vcodec", "vbitrate",      "threads",     "mbd",         "keyint",       "vqmin",
                 "vqmax",  "vmax_b_frames", "vrc_maxrate", "vrc_minrate", "vrc_buf_size", "trell",
                 "v4mv",   "vglobal",       "aspect",      "acodec",      "abitrate",     "crf",
                 "preset", "vprofile",      "pixfmt",      "vtag"},
        .noEffect = {"autoaspect", "aglobal"},
        .store = [](EncodeJob& j, Name, Value v) { j.lavc.Merge(v.text); }};
    const Option lame{.names = {"-lameopts"},
                      .arg = Arg::SubOptions,
                      .keys = {"cbr", "abr", "vbr", "br", "mode", "q", "aq"},
                      .store = [](EncodeJob& j, Name, Value v) { j.lame.Merge(v.text); }};
    const Option faac{.names = {"-faacopts"},
                      .arg = Arg::SubOptions,
                      .keys = {"br", "mpeg", "object", "cutoff"},
                      .noEffect = {"tns", "raw", "quality"},
                      .store = [](EncodeJob& j, Name, Value v) { j.faac.Merge(v.text); }};
    const Option lavf{.names = {"-lavfopts"},
                      .arg = Arg::SubOptions,
                      .keys = {"format", "faststart"},
                      .noEffect = {"i_certify_that_my_video_stream_does_not_use_b_frames",
                                   "muxrate", "preload", "delay"},
                      .store = [](EncodeJob& j, Name, Value v) { j.lavf.Merge(v.text); }};
    const Option mpeg{.names = {"-mpegopts"},
                      .arg = Arg::SubOptions,
                      .keys = {"format", "muxrate"},
                      .noEffect = {"tsaf", "interleaving2", "vaspect", "vbitrate", "vframerate",
                                   "vwidth", "vheight", "telecine", "film2pal", "skip_padding",
                                   "noreorder", "vbuf_size", "abuf_size"},
                      .store = [](EncodeJob& j, Name, Value v) { j.mpeg.Merge(v.text); }};

    return {
        // The input is no option: a file, or a DVD title (with -dvd-device).
        {.rows = {{"FILE", "-i FILE"}}},
        {.names = {"-dvd-device"},
         .arg = Arg::Text,
         .needs = "a drive or a folder",
         .store = [](EncodeJob& j, Name, Value v) { j.dvdDevice = v.text; },
         .rows = {{"-dvd-device D dvd://N, dvdnav://N",
                   "title N read with libdvdread in cell order into -f mpeg -i pipe:0"}}},
        {.names = {"-aid"},
         .arg = Arg::Integer,
         .min = 0,
         .max = 8191,
         .store = [](EncodeJob& j, Name, Value v) { j.aid = static_cast<int>(v.number); },
         .rows = {{"-aid ID (DVD)", "-map 0:i:ID (AC-3 128+n, DTS 136+n, LPCM 160+n; MPEG audio "
                                    "n as 0x1c0+n)"}}},
        {.names = {"-sid"},
         .arg = Arg::Integer,
         .min = 0,
         .max = 31,
         .store = [](EncodeJob& j, Name, Value v) { j.sid = static_cast<int>(v.number); },
         .rows = {{"-sid N (DVD)",
                   "subpicture stream N (its number on the disc) burnt in: -filter_complex "
                   "[0:v:0][0:i:0x20+N]overlay, palette from the IFO"}}},
        {.names = {"-ss"},
         .arg = Arg::Time,
         .store = [](EncodeJob& j, Name, Value v) { j.startSeconds = v.seconds; },
         .rows = {{"-ss T", "-ss T (before -i)"}}},
        {.names = {"-endpos"},
         .arg = Arg::SizeOrTime,
         .store =
             [](EncodeJob& j, Name, Value v) {
                 if (v.bytes)
                     j.lengthBytes = v.bytes;
                 else
                     j.lengthSeconds = v.seconds;
             },
         .rows = {{"-endpos T | -endpos Nmb", "-t T | -fs BYTES"}}},
        {.names = {"-frames"},
         .arg = Arg::Count,
         .store = [](EncodeJob& j, Name, Value v) { j.frames = v.number; },
         .rows = {{"-frames N", "-frames:v N"}}},
        {.names = {"-ofps"},
         .arg = Arg::FrameRate,
         .store = [](EncodeJob& j, Name, Value v) { j.ofps = v.text; },
         .rows = {{"-ofps R", "-r R -fps_mode cfr (repeated frames are encoded, as with harddup); "
                              "a variable-rate source at its own average rate: -fps_mode vfr in "
                              "MP4, 3GP, Matroska, FLV"}}},
        {.names = {"-srate"},
         .arg = Arg::Integer,
         .min = 1000,
         .max = 384000,
         .store = [](EncodeJob& j, Name, Value v) { j.srate = static_cast<int>(v.number); },
         .rows = {{"-srate R", "-ar R"}}},
        {.names = {"-channels"},
         .arg = Arg::Integer,
         .min = 1,
         .max = 8,
         .store = [](EncodeJob& j, Name, Value v) { j.channels = static_cast<int>(v.number); },
         .rows = {{"-channels C",
                   "-ac C (without it: -ac 2 for a source of more than two channels)"}}},
        {.names = {"-aspect"},
         .arg = Arg::Text,
         .needs = "a value",
         .store = [](EncodeJob& j, Name, Value v) { j.aspect = v.text; },
         .rows = {{"-aspect A", "-aspect A"}}},
        {.names = {"-mc"},
         .arg = Arg::Number,
         .rows = {{"-mc X, -noskip, -quiet, -really-quiet, -forceidx",
                   "accepted; no FFmpeg counterpart needed"}}},
        {.names = {"-noskip", "-quiet", "-really-quiet", "-forceidx"}},
        {.names = {"-vf", "-vf-add"},
         .arg = Arg::FilterChain,
         .store =
             [](EncodeJob& j, Name name, Value v) {
                 if (name == "-vf") // a new chain; -vf-add adds to it
                     j.videoFilters.clear();
                 j.videoFilters.insert(j.videoFilters.end(), v.filters.begin(), v.filters.end());
             },
         .rows = RowsOf(VideoFilters())},
        {.names = {"-af", "-af-add"},
         .arg = Arg::FilterChain,
         .store =
             [](EncodeJob& j, Name name, Value v) {
                 if (name == "-af")
                     j.audioFilters.clear();
                 j.audioFilters.insert(j.audioFilters.end(), v.filters.begin(), v.filters.end());
             },
         .rows = RowsOf(AudioFilters())},
        {.names = {"-ovc"},
         .arg = Arg::Choice,
         .choices = {"x264", "xvid", "lavc", "copy", "frameno"},
         .store = [](EncodeJob& j, Name, Value v) { j.ovc = v.text; },
         .rows =
             {{"-ovc x264 -x264encopts",
               "libx264: bitrate -b:v (negative: the whole result's size in kB, the rate "
               "left by the sound and 5 % for the container and the rate control, at most "
               "vbv_maxrate, in two passes "
               "-pass 1/2 -passlogfile), threads -threads, crf -crf, preset -preset, "
               "profile -profile:v, global_header -flags +global_header; subq, frameref, bframes, "
               "level_idc, "
               "(no)cabac, vbv_maxrate, vbv_bufsize, keyint, keyint_min, trellis, me, (no)8x8dct, "
               "weight_b, qp in -x264-params" +
                   NoEffect(x264)},
              {"-ovc xvid -xvidencopts",
               "libxvid: bitrate (kbit/s up to 16000, else bit/s) -b:v, threads, max_bframes -bf, "
               "me_quality, trellis, fixed_quant -q:v" +
                   NoEffect(xvid)},
              {"-ovc lavc -lavcopts vcodec=...",
               Grouped(LavcVideoCodecs()) +
                   "; vbitrate -b:v, threads, mbd, keyint -g, vqmin -qmin, vqmax -qmax, "
                   "vmax_b_frames -bf, vrc_maxrate -maxrate, vrc_minrate -minrate, vrc_buf_size "
                   "-bufsize (all three in kbit), trell, v4mv, vglobal, aspect; crf -crf (instead "
                   "of vbitrate; VP9: -b:v 0), preset -preset (VP9: -deadline good -cpu-used, "
                   "libaom-av1: -cpu-used), vprofile -profile:v, pixfmt -pix_fmt (yuv420p, "
                   "yuv420p10le, yuv422p10le, yuv444p10le), vtag -tag:v; VP9 -row-mt 1; ProRes "
                   "without -b:v" +
                   NoEffect(lavc)},
              {"-ovc copy", "-c:v copy"},
              {.mencoder = "cover art (an attached picture)",
               .ffmpeg = "looped for the sound's length: loop, setpts; refused with -ovc copy",
               .note = true},
              {.mencoder = "4:2:0 encoders (x264, xvid, lavc but " + OwnSampling() + ")",
               .ffmpeg = "-pix_fmt yuv420p",
               .note = true},
              {"-ovc frameno, -novideo", "-vn"}}},
        x264,
        xvid,
        lavc,
        {.names = {"-novideo"}, .store = [](EncodeJob& j, Name, Value) { j.ovc = "frameno"; }},
        {.names = {"-oac"},
         .arg = Arg::Choice,
         .choices = {"mp3lame", "faac", "lavc", "pcm", "copy"},
         .store = [](EncodeJob& j, Name, Value v) { j.oac = v.text; },
         .rows =
             {{"-oac mp3lame -lameopts",
               "libmp3lame: cbr/abr/vbr, br -b:a, q -q:a, aq, mode (3: -ac 1)" + NoEffect(lame)},
              {"-oac faac -faacopts", "aac: br -b:a, object 1/2/4 -profile:a "
                                      "aac_main/aac_low/aac_ltp, mpeg, cutoff" +
                                          NoEffect(faac)},
              {"-oac lavc -lavcopts acodec=...", Grouped(LavcAudioCodecs()) + "; abitrate -b:a"},
              {"-oac pcm", "-c:a pcm_s16le"},
              {"-oac copy", "-c:a copy"}}},
        lame,
        faac,
        {.names = {"-keep-tracks"},
         .store = [](EncodeJob& j, Name, Value) { j.keepTracks = true; },
         .rows = {{"-keep-tracks", "-map 0:a? (every audio track) and each subtitle the container "
                                   "holds: Matroska as it is (-c:s copy, mov_text as srt) with the "
                                   "attachments (-map 0:t?), MP4/MOV text as mov_text, WebM text "
                                   "as webvtt"}}},
        {.names = {"-nosound"},
         .store = [](EncodeJob& j, Name, Value) { j.nosound = true; },
         .rows = {{"-nosound", "-an"}}},
        {.names = {"-of"},
         .arg = Arg::Choice,
         .choices = {"avi", "lavf", "mpeg", "rawvideo", "rawaudio"},
         .store = [](EncodeJob& j, Name, Value v) { j.of = v.text; },
         .rows = {{"-of avi (default), -ffourcc X", "-f avi, -tag:v X"},
                  {"-of lavf -lavfopts format=X", "-f X, X one of " + Grouped(LavfFormats()) +
                                                      "; without format=, the output's extension; "
                                                      "faststart -movflags +faststart (MP4, MOV)" +
                                                      NoEffect(lavf)},
                  {"-of mpeg -mpegopts format=X",
                   "-f " + Grouped(MpegFormats()) +
                       "; without format=, mpeg2; muxrate (kbit/s) -muxrate" + NoEffect(mpeg)},
                  {"-of rawvideo", "-f " + Targets(RawVideoFormats()) + " by the stream"},
                  {"-of rawaudio", "-f " + Targets(RawAudioFormats()) + " by the stream"}}},
        {.names = {"-ffourcc"},
         .arg = Arg::FourCC,
         .store = [](EncodeJob& j, Name, Value v) { j.fourcc = v.text; }},
        lavf,
        mpeg,
        {.names = {"-o"},
         .arg = Arg::Text,
         .needs = "a file name",
         .store = [](EncodeJob& j, Name, Value v) { j.output = v.text; },
         .rows = {{"-o FILE", "-y FILE"}}},
        {.names = {"-quenzo-dry-run"},
         .store = [](EncodeJob& j, Name, Value) { j.dryRun = true; },
         .rows = {{"-quenzo-dry-run",
                   "nothing run: the FFmpeg command printed, one argument a line"}}},
    };
}

} // namespace

bool Option::Knows(const std::string& key) const {
    return std::find(keys.begin(), keys.end(), key) != keys.end() ||
           std::find(noEffect.begin(), noEffect.end(), key) != noEffect.end();
}

const std::vector<Option>& OptionTable() {
    static const std::vector<Option> table = BuildTable();
    return table;
}

const Option* FindOption(const std::string& name) {
    for (const Option& option : OptionTable())
        if (std::find(option.names.begin(), option.names.end(), name) != option.names.end())
            return &option;
    return nullptr;
}

std::vector<DocRow> OptionRows() {
    std::vector<DocRow> rows;
    for (const Option& option : OptionTable())
        rows.insert(rows.end(), option.rows.begin(), option.rows.end());
    return rows;
}

std::string OptionListing() {
    std::string text;
    for (const DocRow& row : OptionRows()) {
        std::string line = row.mencoder;
        if (line.size() < 45)
            line.append(45 - line.size(), ' ');
        text += line + " " + row.ffmpeg + "\n";
    }
    return text;
}

} // namespace quenzo
