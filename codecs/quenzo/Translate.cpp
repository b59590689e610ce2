#include "Translate.h"
#include "Number.h"

#include "common/FileName.h"

#include "DvdStreamIds.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>

namespace quenzo {

namespace {

using codecs::Extension;
using codecs::Lower;

bool Fail(std::string* error, const std::string& why) {
    *error = why;
    return false;
}

bool ToInt(const std::string& text, long* v) {
    if (text.empty())
        return false;
    char* end = nullptr;
    *v = std::strtol(text.c_str(), &end, 10);
    return *end == '\0';
}

// An optional integer field of a filter: empty or absent gives def.
bool Field(const Filter& f, size_t i, long def, long* out, std::string* error) {
    if (i >= f.args.size() || f.args[i].empty()) {
        *out = def;
        return true;
    }
    if (!ToInt(f.args[i], out))
        return Fail(error, "filter " + f.name + " expects numbers, not \"" + f.args[i] + "\"");
    return true;
}

// MEncoder's bit rates: up to 16000 (video 16000, audio any) in kbit/s, above in bit/s.
std::string Kbit(long value) {
    return value > 16000 ? std::to_string(value) : std::to_string(value) + "k";
}

// One side of scale=W:H. other is the output size of the other side ("oh"
// for the width), aspect the display aspect ("dar") or the pixel one ("a").
bool ScaleSide(long v, bool width, std::string* expr, bool* relative) {
    const std::string other = width ? "oh" : "ow";
    const std::string op = width ? "*" : "/";
    *relative = false;
    switch (v) {
    case -1: *expr = width ? "iw" : "ih"; return true;
    case 0:
        *expr = width ? "trunc(if(gt(sar,1),iw*sar,iw)/2+0.5)*2"
                      : "trunc(if(lt(sar,1),ih/sar,ih)/2+0.5)*2";
        return true;
    case -2:
    case -3:
    case -10:
    case -11: {
        const std::string aspect = (v == -2 || v == -10) ? "dar" : "a";
        const std::string m = (v == -10 || v == -11) ? "16" : "2";
        *expr = m + "*round(" + other + op + aspect + "/" + m + ")";
        *relative = true;
        return true;
    }
    default:
        if (v < 0)
            return false;
        *expr = std::to_string(v);
        return true;
    }
}

// scale=W:-2 or scale=-2:H (or -3, -10, -11), then an optional expand, then
// crop=W:H: the way a picture is fitted to a profile's frame. The chain
// fits the whole picture inside the frame and pads it, whichever side of
// the picture is the longer one, so it never crops. Gives the frame, the
// aspect and rounding of the free side, and the index of the crop.
struct FrameFit {
    long width = 0, height = 0;
    std::string aspect;
    std::string multiple;
    size_t crop = 0;
};

bool FindFrameFit(const std::vector<Filter>& chain, size_t at, FrameFit* fit) {
    const Filter& f = chain[at];
    long w, h;
    if (f.name != "scale" || f.args.size() != 2 || !ToInt(f.args[0], &w) || !ToInt(f.args[1], &h))
        return false;
    const long free = w > 0 ? h : w;
    if ((w > 0) == (h > 0) || (free != -2 && free != -3 && free != -10 && free != -11))
        return false;
    size_t next = at + 1;
    if (next < chain.size() && chain[next].name == "expand")
        ++next;
    if (next >= chain.size() || chain[next].name != "crop" || chain[next].args.size() < 2 ||
        !ToInt(chain[next].args[0], &fit->width) || !ToInt(chain[next].args[1], &fit->height) ||
        fit->width <= 0 || fit->height <= 0 || (w > 0 && w != fit->width) ||
        (h > 0 && h != fit->height))
        return false;
    fit->aspect = (free == -2 || free == -10) ? "dar" : "a";
    fit->multiple = (free == -10 || free == -11) ? "16" : "2";
    fit->crop = next;
    return true;
}

void FitIntoFrame(const FrameFit& fit, std::vector<std::string>& out) {
    const std::string W = std::to_string(fit.width), H = std::to_string(fit.height);
    const std::string& a = fit.aspect;
    const std::string& m = fit.multiple;
    // Too tall for the frame at its width: the height limits the picture.
    const std::string tall = "gt(" + W + "/" + a + "," + H + ")";
    out.push_back("scale=w='if(" + tall + ",min(" + W + "," + m + "*round(" + H + "*" + a + "/" +
                  m + "))," + W + ")':h='if(" + tall + "," + H + ",min(" + H + "," + m + "*round(" +
                  W + "/" + a + "/" + m + ")))'");
    out.push_back("setsar=1");
    out.push_back("pad=w=" + W + ":h=" + H + ":x='(ow-iw)/2':y='(oh-ih)/2':color=black");
}

bool ScaleFilter(const Filter& f, std::vector<std::string>& out, std::string* error) {
    long w, h;
    if (!Field(f, 0, -1, &w, error) || !Field(f, 1, -1, &h, error))
        return false;
    std::string we, he;
    bool wr, hr;
    if (!ScaleSide(w, true, &we, &wr) || !ScaleSide(h, false, &he, &hr))
        return Fail(error, "filter scale does not know the size " + std::to_string(w) + ":" +
                               std::to_string(h));
    if (wr && hr)
        return Fail(error, "filter scale=" + std::to_string(w) + ":" + std::to_string(h) +
                               " gives neither size: one of them must be a number");
    out.push_back("scale=w='" + we + "':h='" + he + "'");
    out.push_back("setsar=1");
    return true;
}

bool ExpandFilter(const Filter& f, std::vector<std::string>& out, std::string* error) {
    if (f.args.size() > 7)
        return Fail(error, "filter expand takes at most 7 fields");
    long w, h, x, y;
    if (!Field(f, 0, -1, &w, error) || !Field(f, 1, -1, &h, error) || !Field(f, 2, -1, &x, error) ||
        !Field(f, 3, -1, &y, error))
        return false;
    // -1: the source size; below -1: the source size plus that much;
    // otherwise at least the source size (expand never shrinks).
    auto side = [](long v, const char* in) {
        if (v == -1)
            return std::string(in);
        if (v < -1)
            return std::string(in) + "+" + std::to_string(-v);
        return "max(" + std::string(in) + "," + std::to_string(v) + ")";
    };
    // A position that is negative or pushes the picture out is centred.
    auto pos = [](long v, const char* in, const char* outSide) {
        std::string centre = std::string("(").append(outSide).append("-").append(in).append(")/2");
        if (v < 0)
            return centre;
        return "if(gt(" + std::to_string(v) + "+" + in + "," + outSide + ")," + centre + "," +
               std::to_string(v) + ")";
    };
    out.push_back("pad=w='" + side(w, "iw") + "':h='" + side(h, "ih") + "':x='" +
                  pos(x, "iw", "ow") + "':y='" + pos(y, "ih", "oh") + "':color=black");
    return true;
}

bool CropFilter(const Filter& f, std::vector<std::string>& out, std::string* error) {
    long w, h, x, y;
    if (!Field(f, 0, -1, &w, error) || !Field(f, 1, -1, &h, error) || !Field(f, 2, -1, &x, error) ||
        !Field(f, 3, -1, &y, error))
        return false;
    auto side = [](long v, const char* in) {
        return v <= 0 ? std::string(in) : "min(" + std::string(in) + "," + std::to_string(v) + ")";
    };
    std::string c = "crop=w='" + side(w, "iw") + "':h='" + side(h, "ih") + "'";
    if (x >= 0)
        c += ":x=" + std::to_string(x);
    if (y >= 0)
        c += ":y=" + std::to_string(y);
    out.push_back(c);
    return true;
}

bool YadifFilter(const Filter& f, std::vector<std::string>& out, std::string* error) {
    long mode, parity;
    if (!Field(f, 0, 0, &mode, error) || !Field(f, 1, -1, &parity, error))
        return false;
    if (mode < 0 || mode > 3 || parity < -1 || parity > 1)
        return Fail(error, "filter yadif takes a mode from 0 to 3 and a parity from -1 to 1");
    out.push_back("yadif=mode=" + std::to_string(mode) + ":parity=" + std::to_string(parity));
    return true;
}

bool Hqdn3dFilter(const Filter& f, std::vector<std::string>& out, std::string* error) {
    std::string args;
    for (size_t i = 0; i < f.args.size() && i < 4; ++i) {
        if (!qv::WholeNumber(f.args[i]))
            return Fail(error, "filter hqdn3d expects numbers");
        args += (i ? ":" : "=") + f.args[i];
    }
    out.push_back("hqdn3d" + args);
    return true;
}

// "30000/1001", "25" or "29.970" as a number; 0 when it is none.
double RateValue(const std::string& text) {
    std::string_view rest;
    const double num = qv::LeadingNumber(text, &rest).value_or(0);
    double den = 1;
    if (!rest.empty() && rest.front() == '/')
        den = qv::LeadingNumber(rest.substr(1)).value_or(1);
    return num > 0 && den > 0 ? num / den : 0;
}

// limit=W:H[:R]: a picture larger than W x H (either way up) made smaller
// at its shape, never larger; R caps the frame rate (see RateOf).
bool LimitFilter(const Filter& f, std::vector<std::string>& out, std::string* error) {
    long w, h;
    if (f.args.size() < 2 || f.args.size() > 3 || !Field(f, 0, 0, &w, error) ||
        !Field(f, 1, 0, &h, error) || w <= 0 || h <= 0)
        return Fail(error, "filter limit needs a width and a height, and may take a frame rate");
    if (f.args.size() == 3) {
        if (RateValue(f.args[2]) <= 0)
            return Fail(error, "filter limit takes a frame rate such as 60 or 30000/1001");
    }
    const std::string longer = std::to_string(std::max(w, h)),
                      shorter = std::to_string(std::min(w, h));
    const std::string factor = "min(1,min(" + longer + "/max(iw,ih)," + shorter + "/min(iw,ih)))";
    out.push_back("scale=w='2*round(iw*" + factor + "/2)':h='2*round(ih*" + factor + "/2)'");
    return true;
}

// Frame pacing, which FFmpeg's -r does already.
bool PacingFilter(const Filter&, std::vector<std::string>&, std::string*) {
    return true;
}

const char* LayoutFor(long channels) {
    switch (channels) {
    case 1: return "mono";
    case 2: return "stereo";
    case 3: return "2.1";
    case 4: return "quad";
    case 5: return "5.0";
    case 6: return "5.1";
    case 7: return "6.1";
    case 8: return "7.1";
    default: return nullptr;
    }
}

bool VolnormFilter(const Filter& f, std::vector<std::string>& out, std::string* error) {
    long method;
    if (!Field(f, 0, 1, &method, error))
        return false;
    if (method < 1 || method > 2)
        return Fail(error, "filter volnorm takes the method 1 or 2");
    out.push_back("dynaudnorm");
    return true;
}

bool ResampleFilter(const Filter& f, std::vector<std::string>& out, std::string* error) {
    long rate;
    if (f.args.empty() || !Field(f, 0, 0, &rate, error) || rate < 1000 || rate > 384000)
        return Fail(error, "filter " + f.name + " needs a sample rate from 1000 to 384000");
    out.push_back("aresample=" + std::to_string(rate));
    return true;
}

bool ChannelsFilter(const Filter& f, std::vector<std::string>& out, std::string* error) {
    long count;
    if (f.args.empty() || !Field(f, 0, 0, &count, error) || !LayoutFor(count))
        return Fail(error, "filter channels needs a channel count from 1 to 8");
    if (f.args.size() > 1)
        return Fail(error, "filter channels: channel routes are not supported");
    out.push_back(std::string("aformat=channel_layouts=") + LayoutFor(count));
    return true;
}

bool VolumeFilter(const Filter& f, std::vector<std::string>& out, std::string* error) {
    const std::optional<double> db = f.args.empty() ? std::nullopt : qv::WholeNumber(f.args[0]);
    if (!db || *db < -200 || *db > 60)
        return Fail(error, "filter volume needs a gain in dB from -200 to 60");
    out.push_back("volume=" + f.args[0] + "dB");
    return true;
}

} // namespace

const std::vector<FilterKind>& VideoFilters() {
    static const std::vector<FilterKind> filters = {
        {{"scale"},
         ScaleFilter,
         {{"-vf / -vf-add scale=W:H",
           "scale (0 display size, -1 source size, -2/-3 keep display/pixel aspect rounded to 2, "
           "-10/-11 rounded to 16), setsar=1"},
          {"-vf scale=W:-2 (or -2:H, -3, -10, -11),[expand=...,]crop=W:H",
           "the whole picture fitted inside W x H at its display aspect, padded (never "
           "cropped)"}}},
        {{"expand"},
         ExpandFilter,
         {{"-vf expand=W:H:X:Y",
           "pad (empty or -1: source size; below -1: source size plus that much; never smaller "
           "than the source; X, Y negative or out of range: centred)"}}},
        {{"crop"},
         CropFilter,
         {{"-vf crop=W:H:X:Y", "crop (centred without X, Y; never larger than the source)"}}},
        {{"yadif"}, YadifFilter, {{"-vf yadif=M:P", "yadif=mode=M:parity=P"}}},
        {{"hqdn3d"}, Hqdn3dFilter, {{"-vf hqdn3d=...", "hqdn3d=..."}}},
        {{"limit"},
         LimitFilter,
         {{"-vf limit=W:H[:R]",
           "a picture larger than W x H (either way up) scaled down at its shape, never up, to "
           "even sides; a rate above R frames a second lowered to R (-r); frames stored interlaced "
           "deinterlaced first (yadif deint=interlaced) unless the job has its own yadif"}}},
        {{"harddup", "softskip"},
         PacingFilter,
         {{"-vf harddup, softskip", "nothing (-r paces frames)"}}},
    };
    return filters;
}

const std::vector<FilterKind>& AudioFilters() {
    static const std::vector<FilterKind> filters = {
        {{"volnorm"}, VolnormFilter, {{"-af / -af-add volnorm", "dynaudnorm"}}},
        {{"lavcresample", "resample"},
         ResampleFilter,
         {{"-af lavcresample=R, resample=R", "aresample=R"}}},
        {{"channels"},
         ChannelsFilter,
         {{"-af channels=C", "aformat=channel_layouts=mono|stereo|...|7.1"}}},
        {{"volume"}, VolumeFilter, {{"-af volume=DB", "volume=DBdB"}}},
    };
    return filters;
}

namespace {

const FilterKind* FindFilter(const std::vector<FilterKind>& kinds, const std::string& name) {
    for (const FilterKind& kind : kinds)
        if (std::find(kind.names.begin(), kind.names.end(), name) != kind.names.end())
            return &kind;
    return nullptr;
}

bool VideoFilter(const Filter& f, std::vector<std::string>& out, std::string* error) {
    const FilterKind* kind = FindFilter(VideoFilters(), f.name);
    return kind ? kind->translate(f, out, error) : Fail(error, "unknown video filter " + f.name);
}

bool AudioFilter(const Filter& f, std::vector<std::string>& out, std::string* error) {
    const FilterKind* kind = FindFilter(AudioFilters(), f.name);
    return kind ? kind->translate(f, out, error) : Fail(error, "unknown audio filter " + f.name);
}

std::string Join(const std::vector<std::string>& parts, char sep) {
    std::string s;
    for (const std::string& p : parts)
        s += (s.empty() ? "" : std::string(1, sep)) + p;
    return s;
}

// Sub-options a family knows, as its option's table entry lists them;
// anything else is refused, never ignored.
bool OnlyKnown(const SubOptions& o, const std::string& option, std::string* error) {
    const Option* family = FindOption(option);
    for (const auto& [key, value] : o.items)
        if (!family->Knows(key))
            return Fail(error, option.substr(1) + " does not know the option " + key);
    return true;
}

bool NumberOf(const SubOptions& o, const std::string& key, long* v, std::string* error) {
    auto value = o.Get(key);
    if (!value || !ToInt(*value, v))
        return Fail(error, "option " + key + " needs a number");
    return true;
}

// The FFmpeg name a table gives name; nullptr when it has none.
const std::string* Lookup(const NameTable& table, const std::string& name) {
    for (const auto& [given, ffmpeg] : table)
        if (given == name)
            return &ffmpeg;
    return nullptr;
}

} // namespace

const NameTable& LavcVideoCodecs() {
    static const NameTable codecs = {{"mpeg4", "mpeg4"},
                                     {"msmpeg4", "msmpeg4"},
                                     {"msmpeg4v2", "msmpeg4v2"},
                                     {"wmv1", "wmv1"},
                                     {"wmv2", "wmv2"},
                                     {"flv", "flv"},
                                     {"h263", "h263"},
                                     {"h263p", "h263p"},
                                     {"mpeg1video", "mpeg1video"},
                                     {"mpeg2video", "mpeg2video"},
                                     {"mjpeg", "mjpeg"},
                                     {"huffyuv", "huffyuv"},
                                     {"ffv1", "ffv1"},
                                     {"ffvhuff", "ffvhuff"},
                                     {"dvvideo", "dvvideo"},
                                     {"libx265", "libx265"},
                                     {"hevc", "libx265"},
                                     {"libsvtav1", "libsvtav1"},
                                     {"av1", "libsvtav1"},
                                     {"libaom-av1", "libaom-av1"},
                                     {"libvpx-vp9", "libvpx-vp9"},
                                     {"vp9", "libvpx-vp9"},
                                     {"prores_ks", "prores_ks"},
                                     {"prores", "prores_ks"}};
    return codecs;
}

const NameTable& LavcAudioCodecs() {
    static const NameTable codecs = {{"mp2", "mp2"},
                                     {"ac3", "ac3"},
                                     {"aac", "aac"},
                                     {"wmav1", "wmav1"},
                                     {"wmav2", "wmav2"},
                                     {"flac", "flac"},
                                     {"libvorbis", "libvorbis"},
                                     {"vorbis", "libvorbis"},
                                     {"libmp3lame", "libmp3lame"},
                                     {"mp3", "libmp3lame"},
                                     {"pcm_s16le", "pcm_s16le"},
                                     {"alac", "alac"},
                                     {"libopus", "libopus"},
                                     {"opus", "libopus"},
                                     {"adpcm_ima_wav", "adpcm_ima_wav"}};
    return codecs;
}

bool IsHdrTransfer(const std::string& transfer) {
    return transfer == "smpte2084" || transfer == "arib-std-b67";
}

const std::set<std::string>& Yuv420Encoders() {
    static const std::set<std::string> encoders = {
        "libx264", "libxvid", "mpeg4", "msmpeg4", "msmpeg4v2",  "wmv1",
        "wmv2",    "flv",     "h263",  "h263p",   "mpeg1video", "mpeg2video"};
    return encoders;
}

const NameTable& LavfFormats() {
    static const NameTable formats = {
        {"mp4", "mp4"},       {"mov", "mov"},   {"3gp", "3gp"},   {"3g2", "3g2"},
        {"ipod", "ipod"},     {"m4a", "ipod"},  {"psp", "psp"},   {"flv", "flv"},
        {"asf", "asf"},       {"wmv", "asf"},   {"wma", "asf"},   {"matroska", "matroska"},
        {"mkv", "matroska"},  {"ogg", "ogg"},   {"mpeg", "mpeg"}, {"mpg", "mpeg"},
        {"vob", "vob"},       {"dvd", "dvd"},   {"svcd", "svcd"}, {"vcd", "vcd"},
        {"wav", "wav"},       {"flac", "flac"}, {"mp3", "mp3"},   {"adts", "adts"},
        {"aac", "adts"},      {"ac3", "ac3"},   {"avi", "avi"},   {"nut", "nut"},
        {"mpegts", "mpegts"}, {"ts", "mpegts"}, {"mp2", "mp2"},   {"webm", "webm"},
        {"opus", "opus"}};
    return formats;
}

const NameTable& MpegFormats() {
    static const NameTable formats = {{"mpeg1", "mpeg"}, {"xvcd", "mpeg"}, {"pes1", "mpeg"},
                                      {"mpeg2", "vob"},  {"pes2", "vob"},  {"xsvcd", "svcd"},
                                      {"dvd", "dvd"}};
    return formats;
}

const NameTable& RawVideoFormats() {
    static const NameTable formats = {{"libx264", "h264"},
                                      {"h264", "h264"},
                                      {"libxvid", "m4v"},
                                      {"mpeg4", "m4v"},
                                      {"mpeg1video", "mpeg1video"},
                                      {"mpeg2video", "mpeg2video"},
                                      {"h263", "h263"},
                                      {"mjpeg", "mjpeg"}};
    return formats;
}

const NameTable& RawAudioFormats() {
    static const NameTable formats = {
        {"libmp3lame", "mp3"}, {"mp3", "mp3"},   {"aac", "adts"},        {"ac3", "ac3"},
        {"mp2", "mp2"},        {"flac", "flac"}, {"libvorbis", "ogg"},   {"vorbis", "ogg"},
        {"wmav2", "asf"},      {"wmav1", "asf"}, {"pcm_s16le", "s16le"}, {"alac", "ipod"}};
    return formats;
}

namespace {

// A word of letters, digits, '-' and '_': what a preset or profile name is.
bool PlainWord(const std::string& text) {
    return !text.empty() && text.size() <= 32 &&
           std::all_of(text.begin(), text.end(),
                       [](unsigned char c) { return std::isalnum(c) || c == '-' || c == '_'; });
}

// The pixel formats lavcopts pixfmt= may ask for.
const std::set<std::string>& PixelFormats() {
    static const std::set<std::string> formats = {"yuv420p", "yuv420p10le", "yuv422p10le",
                                                  "yuv444p10le"};
    return formats;
}

// lavcopts crf, preset, vprofile, pixfmt and vtag: the settings of today's
// encoders (H.265, AV1, VP9, ProRes).
bool ModernVideoOptions(const SubOptions& o, const std::string& codec, std::vector<std::string>& a,
                        std::string* error) {
    long v;
    if (o.Has("crf")) {
        if (!NumberOf(o, "crf", &v, error) || v < 0 || v > 63)
            return Fail(error, "lavcopts crf needs a quality from 0 to 63");
        a.insert(a.end(), {"-crf", std::to_string(v)});
        if (codec == "libvpx-vp9") // constant quality, no rate ceiling
            a.insert(a.end(), {"-b:v", "0"});
    }
    if (codec == "libvpx-vp9")
        a.insert(a.end(), {"-row-mt", "1"});
    if (o.Has("preset")) {
        const std::string preset = o.Get("preset").value_or("");
        if (!PlainWord(preset))
            return Fail(error, "lavcopts preset needs a name or number");
        if (codec == "libvpx-vp9")
            a.insert(a.end(), {"-deadline", "good", "-cpu-used", preset});
        else if (codec == "libaom-av1")
            a.insert(a.end(), {"-cpu-used", preset});
        else
            a.insert(a.end(), {"-preset", preset});
    }
    if (o.Has("vprofile")) {
        const std::string profile = o.Get("vprofile").value_or("");
        if (!PlainWord(profile))
            return Fail(error, "lavcopts vprofile needs a name or number");
        a.insert(a.end(), {"-profile:v", profile});
    }
    if (o.Has("pixfmt")) {
        const std::string format = o.Get("pixfmt").value_or("");
        if (!PixelFormats().count(format))
            return Fail(error, "lavcopts pixfmt takes yuv420p, yuv420p10le, yuv422p10le or "
                               "yuv444p10le, not \"" +
                                   format + "\"");
        if (Yuv420Encoders().count(codec))
            return Fail(error, "lavcopts pixfmt: " + codec + " takes 8-bit 4:2:0 pictures only");
        a.insert(a.end(), {"-pix_fmt", format});
    }
    if (o.Has("vtag")) {
        const std::string tag = o.Get("vtag").value_or("");
        if (tag.size() != 4 || !PlainWord(tag))
            return Fail(error, "lavcopts vtag needs four letters or digits");
        a.insert(a.end(), {"-tag:v", tag});
    }
    return true;
}

// x264encopts bitrate=-KB: the video rate that makes the whole result at
// most KB kilobytes over the span, beside the sound's rate and a share for
// the container; at most vbv_maxrate. Encoded in two passes.
bool TargetSizeRate(const SubOptions& o, long kilobytes, const InputFacts& facts, int audioKbps,
                    long* kbps, std::string* error) {
    if (facts.spanSeconds <= 0)
        return Fail(error, "a target size needs the source's length, which it does not state");
    const double totalKbit = kilobytes * 1024.0 * 8 / 1000 * 0.95;
    const double video = totalKbit / facts.spanSeconds - audioKbps;
    if (video < 16)
        return Fail(error,
                    std::to_string(kilobytes / 1024) + " MB cannot hold " +
                        std::to_string(static_cast<long>(facts.spanSeconds)) +
                        " s of picture and sound: trim the source or choose another profile");
    *kbps = static_cast<long>(video);
    long ceiling;
    if (o.Has("vbv_maxrate") && NumberOf(o, "vbv_maxrate", &ceiling, error) && ceiling > 0)
        *kbps = std::min(*kbps, ceiling);
    return true;
}

bool VideoCodec(const EncodeJob& job, const InputFacts& facts, Plan& plan,
                std::vector<std::string>& a, std::string* videoEncoder, std::string* error) {
    const std::string& ovc = job.ovc;
    if (ovc.empty() || ovc == "frameno") {
        a.push_back("-vn");
        return true;
    }
    plan.hasVideo = true;
    if (ovc == "copy") {
        *videoEncoder = "copy";
        a.insert(a.end(), {"-c:v", "copy"});
        return true;
    }
    if (ovc == "x264") {
        const SubOptions& o = job.x264;
        if (!OnlyKnown(o, "-x264encopts", error))
            return false;
        *videoEncoder = "libx264";
        a.insert(a.end(), {"-c:v", "libx264"});
        long v;
        if (o.Has("crf")) {
            if (!NumberOf(o, "crf", &v, error))
                return false;
            a.insert(a.end(), {"-crf", std::to_string(v)});
        } else if (o.Has("bitrate")) {
            if (!NumberOf(o, "bitrate", &v, error) || v == 0)
                return Fail(error, "x264encopts bitrate needs a number other than 0");
            if (v < 0) {
                if (!TargetSizeRate(o, -v, facts, plan.audioKbps, &v, error))
                    return false;
                plan.twoPass = true;
            }
            a.insert(a.end(), {"-b:v", std::to_string(v) + "k"});
            plan.videoKbps = static_cast<int>(v);
        }
        if (plan.twoPass)
            a.insert(a.end(), {"-pass", facts.pass == 1 ? "1" : "2", "-passlogfile",
                               facts.passLog.empty() ? "quenzo-pass" : facts.passLog});
        if (o.Has("threads")) {
            if (!NumberOf(o, "threads", &v, error))
                return false;
            a.insert(a.end(), {"-threads", std::to_string(v)});
        }
        if (o.Has("preset")) {
            const std::string preset = o.Get("preset").value_or("");
            if (!PlainWord(preset))
                return Fail(error, "x264encopts preset needs a name");
            a.insert(a.end(), {"-preset", preset});
        }
        if (o.Has("profile")) {
            const std::string profile = o.Get("profile").value_or("");
            if (!PlainWord(profile))
                return Fail(error, "x264encopts profile needs a name");
            a.insert(a.end(), {"-profile:v", profile});
        }
        std::vector<std::string> params;
        static const std::map<std::string, std::string> rename = {{"subq", "subme"},
                                                                  {"frameref", "ref"},
                                                                  {"bframes", "bframes"},
                                                                  {"level_idc", "level"},
                                                                  {"vbv_maxrate", "vbv-maxrate"},
                                                                  {"vbv_bufsize", "vbv-bufsize"},
                                                                  {"keyint", "keyint"},
                                                                  {"keyint_min", "min-keyint"},
                                                                  {"trellis", "trellis"},
                                                                  {"me", "me"},
                                                                  {"weight_b", "weightb"},
                                                                  {"qp", "qp"}};
        for (const auto& [key, value] : o.items) {
            if (auto r = rename.find(key); r != rename.end()) {
                if (!value || value->empty())
                    return Fail(error, "x264encopts " + key + " needs a value");
                params.push_back(r->second + "=" + *value);
            } else if (key == "nocabac") {
                params.push_back("cabac=0");
            } else if (key == "cabac") {
                params.push_back("cabac=1");
            } else if (key == "8x8dct") {
                params.push_back("8x8dct=1");
            } else if (key == "no8x8dct") {
                params.push_back("8x8dct=0");
            } else if (key == "global_header") {
                a.insert(a.end(), {"-flags:v", "+global_header"});
            }
        }
        if (!params.empty())
            a.insert(a.end(), {"-x264-params", Join(params, ':')});
        return true;
    }
    if (ovc == "xvid") {
        const SubOptions& o = job.xvid;
        if (!OnlyKnown(o, "-xvidencopts", error))
            return false;
        *videoEncoder = "libxvid";
        a.insert(a.end(), {"-c:v", "libxvid"});
        long v;
        if (o.Has("fixed_quant")) {
            if (!NumberOf(o, "fixed_quant", &v, error))
                return false;
            a.insert(a.end(), {"-q:v", std::to_string(v)});
        } else if (o.Has("bitrate")) {
            if (!NumberOf(o, "bitrate", &v, error) || v <= 0)
                return Fail(error, "xvidencopts bitrate needs a positive number");
            a.insert(a.end(), {"-b:v", Kbit(v)});
            plan.videoKbps = static_cast<int>(v > 16000 ? v / 1000 : v);
        }
        if (o.Has("threads")) {
            if (!NumberOf(o, "threads", &v, error))
                return false;
            a.insert(a.end(), {"-threads", std::to_string(v)});
        }
        if (o.Has("max_bframes")) {
            if (!NumberOf(o, "max_bframes", &v, error))
                return false;
            a.insert(a.end(), {"-bf", std::to_string(v)});
        }
        if (o.Has("me_quality")) {
            if (!NumberOf(o, "me_quality", &v, error))
                return false;
            a.insert(a.end(), {"-me_quality", std::to_string(v)});
        }
        if (o.Has("trellis"))
            a.insert(a.end(), {"-trellis", "1"});
        return true;
    }
    // lavc
    const SubOptions& o = job.lavc;
    auto name = o.Get("vcodec");
    if (!name || name->empty())
        return Fail(error, "-ovc lavc needs vcodec= in -lavcopts");
    const std::string* codec = Lookup(LavcVideoCodecs(), *name);
    if (!codec)
        return Fail(error, "unknown lavc video codec " + *name);
    *videoEncoder = *codec;
    a.insert(a.end(), {"-c:v", *codec});
    long v;
    // A constant quality replaces the bit rate; ProRes has its own rate per
    // profile.
    const bool quality = o.Has("crf");
    if (o.Has("vbitrate") && !quality && *codec != "prores_ks") {
        if (!NumberOf(o, "vbitrate", &v, error) || v <= 0)
            return Fail(error, "lavcopts vbitrate needs a positive number");
        a.insert(a.end(), {"-b:v", Kbit(v)});
        plan.videoKbps = static_cast<int>(v > 16000 ? v / 1000 : v);
    }
    if (!ModernVideoOptions(o, *codec, a, error))
        return false;
    static const std::map<std::string, std::pair<std::string, bool>> numeric = {
        {"threads", {"-threads", false}},    {"mbd", {"-mbd", false}},
        {"keyint", {"-g", false}},           {"vqmin", {"-qmin", false}},
        {"vqmax", {"-qmax", false}},         {"vmax_b_frames", {"-bf", false}},
        {"vrc_maxrate", {"-maxrate", true}}, {"vrc_minrate", {"-minrate", true}},
        {"vrc_buf_size", {"-bufsize", true}}};
    for (const auto& [key, value] : o.items) {
        if (auto n = numeric.find(key); n != numeric.end()) {
            if (!NumberOf(o, key, &v, error))
                return false;
            a.insert(a.end(), {n->second.first,
                               n->second.second ? std::to_string(v) + "k" : std::to_string(v)});
        } else if (key == "trell") {
            a.insert(a.end(), {"-trellis", "1"});
        } else if (key == "v4mv") {
            a.insert(a.end(), {"-flags:v", "+mv4"});
        } else if (key == "vglobal") {
            a.insert(a.end(), {"-flags:v", "+global_header"});
        } else if (key == "aspect") {
            if (!value || value->empty())
                return Fail(error, "lavcopts aspect needs a value");
            a.insert(a.end(), {"-aspect", *value});
        } else if (!FindOption("-lavcopts")->Knows(key)) {
            return Fail(error, "lavcopts does not know the option " + key);
        }
    }
    return true;
}

bool AudioCodec(const EncodeJob& job, Plan& plan, std::vector<std::string>& a,
                std::string* audioEncoder, std::string* error) {
    if (job.nosound || job.oac.empty()) {
        a.push_back("-an");
        return true;
    }
    plan.hasAudio = true;
    const std::string& oac = job.oac;
    long v;
    if (oac == "copy") {
        *audioEncoder = "copy";
        a.insert(a.end(), {"-c:a", "copy"});
        return true;
    }
    if (oac == "pcm") {
        *audioEncoder = "pcm_s16le";
        a.insert(a.end(), {"-c:a", "pcm_s16le"});
        return true;
    }
    if (oac == "mp3lame") {
        const SubOptions& o = job.lame;
        if (!OnlyKnown(o, "-lameopts", error))
            return false;
        *audioEncoder = "libmp3lame";
        a.insert(a.end(), {"-c:a", "libmp3lame"});
        long vbr = o.Has("cbr") || o.Has("abr") ? 0 : 2;
        if (o.Has("vbr") && !NumberOf(o, "vbr", &vbr, error))
            return false;
        if (o.Has("cbr") || o.Has("abr") || vbr == 0 || vbr == 3) {
            long br = 128;
            if (o.Has("br") && (!NumberOf(o, "br", &br, error) || br < 8 || br > 320))
                return Fail(error, "lameopts br needs a bit rate from 8 to 320");
            a.insert(a.end(), {"-b:a", std::to_string(br) + "k"});
            if (o.Has("abr") || vbr == 3)
                a.insert(a.end(), {"-abr", "1"});
            plan.audioKbps = static_cast<int>(br);
        } else {
            long q = 4;
            if (o.Has("q") && !NumberOf(o, "q", &q, error))
                return false;
            a.insert(a.end(), {"-q:a", std::to_string(q)});
        }
        if (o.Has("aq")) {
            if (!NumberOf(o, "aq", &v, error))
                return false;
            a.insert(a.end(), {"-compression_level", std::to_string(v)});
        }
        long mode = 0;
        if (o.Has("mode") && (!NumberOf(o, "mode", &mode, error) || mode < 0 || mode > 3))
            return Fail(error, "lameopts mode takes 0 to 3");
        if (mode == 3)
            a.insert(a.end(), {"-ac", "1"});
        else if (mode == 1)
            a.insert(a.end(), {"-joint_stereo", "1"});
        else if (mode == 0 || mode == 2)
            a.insert(a.end(), {"-joint_stereo", "0"});
        return true;
    }
    if (oac == "faac") {
        const SubOptions& o = job.faac;
        if (!OnlyKnown(o, "-faacopts", error))
            return false;
        *audioEncoder = "aac";
        a.insert(a.end(), {"-c:a", "aac"});
        if (o.Has("br")) {
            if (!NumberOf(o, "br", &v, error) || v <= 0)
                return Fail(error, "faacopts br needs a positive bit rate");
            a.insert(a.end(), {"-b:a", std::to_string(v) + "k"});
            plan.audioKbps = static_cast<int>(v);
        }
        if (o.Has("mpeg") && (!NumberOf(o, "mpeg", &v, error) || (v != 2 && v != 4)))
            return Fail(error, "faacopts mpeg takes 2 or 4");
        long object = 2;
        if (o.Has("object") && !NumberOf(o, "object", &object, error))
            return false;
        static const std::map<long, const char*> profiles = {
            {1, "aac_main"}, {2, "aac_low"}, {4, "aac_ltp"}};
        auto p = profiles.find(object);
        if (p == profiles.end())
            return Fail(error, "faacopts object takes 1 (main), 2 (low) or 4 (LTP)");
        a.insert(a.end(), {"-profile:a", p->second});
        if (o.Has("cutoff")) {
            if (!NumberOf(o, "cutoff", &v, error))
                return false;
            a.insert(a.end(), {"-cutoff", std::to_string(v)});
        }
        return true;
    }
    // lavc
    const SubOptions& o = job.lavc;
    auto name = o.Get("acodec");
    if (!name || name->empty())
        return Fail(error, "-oac lavc needs acodec= in -lavcopts");
    if (name->rfind("libamr", 0) == 0 || name->find("amr") != std::string::npos)
        return Fail(error, "the AMR audio encoders are not available in this FFmpeg");
    const std::string* codec = Lookup(LavcAudioCodecs(), *name);
    if (!codec)
        return Fail(error, "unknown lavc audio codec " + *name);
    *audioEncoder = *codec;
    a.insert(a.end(), {"-c:a", *codec});
    if (o.Has("abitrate") && *codec != "flac" && *codec != "pcm_s16le" && *codec != "alac") {
        if (!NumberOf(o, "abitrate", &v, error) || v <= 0)
            return Fail(error, "lavcopts abitrate needs a positive number");
        a.insert(a.end(), {"-b:a", std::to_string(v) + "k"});
        plan.audioKbps = static_cast<int>(v);
    }
    return true;
}

// The raw stream format of a copied or encoded stream.
std::string RawVideoFormat(const std::string& encoder, const std::string& copiedCodec,
                           const std::string& ext) {
    std::string codec = encoder == "copy" ? copiedCodec : encoder;
    if (encoder == "copy" && codec.empty()) {
        if (ext == "264" || ext == "h264" || ext == "avc")
            return "h264";
        if (ext == "m4v" || ext == "cmp")
            return "m4v";
    }
    const std::string* format = Lookup(RawVideoFormats(), codec);
    return format ? *format : "";
}

std::string RawAudioFormat(const std::string& encoder, const std::string& copiedCodec,
                           const std::string& ext) {
    std::string codec = encoder == "copy" ? copiedCodec : encoder;
    if (encoder == "copy" && codec.empty()) {
        static const std::map<std::string, std::string> byExt = {{"aac", "adts"},  {"mp3", "mp3"},
                                                                 {"ac3", "ac3"},   {"mp2", "mp2"},
                                                                 {"flac", "flac"}, {"wav", "wav"}};
        auto f = byExt.find(ext);
        return f == byExt.end() ? "" : f->second;
    }
    const std::string* format = Lookup(RawAudioFormats(), codec);
    return format ? *format : "";
}

// Whether the encoder writes 8-bit pictures: the 4:2:0 encoders, and the
// others unless lavcopts pixfmt asks for more bits.
bool EightBit(const EncodeJob& job, const std::string& encoder) {
    if (Yuv420Encoders().count(encoder))
        return true;
    if (job.ovc != "lavc")
        return false;
    const std::string format = job.lavc.Get("pixfmt").value_or("");
    return format == "yuv420p";
}

// The output rate: -ofps, at most the rate a limit filter allows.
std::string RateOf(const EncodeJob& job) {
    for (const Filter& f : job.videoFilters)
        if (f.name == "limit" && f.args.size() == 3 && !job.ofps.empty() &&
            RateValue(job.ofps) > RateValue(f.args[2]) && RateValue(f.args[2]) > 0)
            return f.args[2];
    return job.ofps;
}

// -keep-tracks: every subtitle stream the container can carry. Matroska
// takes them as they are (MP4's text as SubRip); MP4 and MOV take text as
// their own text format and no pictures.
void KeepSubtitles(const std::string& format, const InputFacts& facts,
                   std::vector<std::string>& a) {
    static const std::set<std::string> text = {"subrip",   "srt",    "ass", "ssa",
                                               "mov_text", "webvtt", "text"};
    const bool matroska = format == "matroska" || format == "webm";
    const bool mov = format == "mp4" || format == "mov" || format == "ipod";
    int written = 0;
    for (size_t i = 0; i < facts.subtitleCodecs.size(); ++i) {
        const std::string& codec = facts.subtitleCodecs[i];
        std::string as;
        if (matroska && format == "webm")
            as = text.count(codec) ? "webvtt" : "";
        else if (matroska)
            as = codec == "mov_text" ? "srt" : "copy";
        else if (mov)
            as = text.count(codec) ? "mov_text" : "";
        if (as.empty())
            continue;
        a.insert(a.end(),
                 {"-map", "0:s:" + std::to_string(i), "-c:s:" + std::to_string(written++), as});
    }
    if (format == "matroska")
        a.insert(a.end(), {"-map", "0:t?"});
}

// Containers that carry each frame's time, so a variable frame rate can stand.
bool KeepsFrameTimes(const EncodeJob& job) {
    if (job.of != "lavf")
        return false;
    std::string name = Lower(job.lavf.Get("format").value_or(Extension(job.output)));
    const std::string* format = Lookup(LavfFormats(), name);
    static const std::set<std::string> timed = {"mp4", "mov", "3gp",      "3g2", "ipod",
                                                "psp", "flv", "matroska", "nut", "mpegts"};
    return format && timed.count(*format);
}

} // namespace

bool Translate(const EncodeJob& job, const InputFacts& facts, const std::string& ffmpeg, Plan& plan,
               std::string* error) {
    plan = Plan();
    std::vector<std::string>& a = plan.ffmpeg;
    a = {ffmpeg,      "-hide_banner", "-loglevel",     "level+info", "-nostats",
         "-progress", "pipe:1",       "-stats_period", "0.2"};
    if (!job.dvd)
        a.push_back("-nostdin");

    // Input.
    if (job.startSeconds)
        a.insert(a.end(), {"-ss", qv::FixedText(*job.startSeconds, 6)});
    if (job.dvd) {
        plan.streamsDvd = true;
        a.insert(a.end(), {"-analyzeduration", "20M", "-probesize", "40M"});
        if (job.sid >= 0 && !facts.dvdPalette.empty())
            a.insert(a.end(), {"-ifo_palette", facts.dvdPalette});
        a.insert(a.end(), {"-f", "mpeg", "-i", "pipe:0"});
    } else {
        a.insert(a.end(), {"-i", job.inputFile});
    }
    if (job.lengthSeconds)
        a.insert(a.end(), {"-t", qv::FixedText(*job.lengthSeconds, 6)});
    if (job.lengthBytes)
        a.insert(a.end(), {"-fs", std::to_string(*job.lengthBytes)});

    // Codecs first, into their own lists: the container depends on them.
    std::vector<std::string> video, audio;
    std::string videoEncoder, audioEncoder;
    bool noVideo = job.ovc.empty() || job.ovc == "frameno" || job.of == "rawaudio";
    EncodeJob j = job;
    if (noVideo)
        j.ovc = "frameno";
    if (job.of == "rawvideo")
        j.nosound = true;
    // The sound first: a target size leaves the picture what the sound's
    // rate does not take.
    if (!AudioCodec(j, plan, audio, &audioEncoder, error) ||
        !VideoCodec(j, facts, plan, video, &videoEncoder, error))
        return false;

    // Filters.
    std::vector<std::string> vf, af;
    const bool still = facts.stillPicture && plan.hasVideo;
    if (still && videoEncoder == "copy")
        return Fail(error, "the source's only picture is its cover art, which cannot be copied "
                           "as a video stream");
    if (still) {
        // Cover art: the one picture repeated at the output rate for as long
        // as the sound lasts.
        const std::string rate = job.ofps.empty() ? "25" : job.ofps;
        const double num = RateValue(rate);
        const double den = 1;
        const long frames = facts.soundSeconds > 0 && num > 0
                                ? static_cast<long>(std::ceil(facts.soundSeconds * num / den))
                                : -1;
        vf.push_back("loop=loop=" + std::to_string(frames > 0 ? frames - 1 : -1) +
                     ":size=1:start=0");
        vf.push_back("setpts=N/(" + rate + ")/TB");
    }
    // An HDR picture (PQ or HLG) written in 8 bits is tone-mapped to SDR
    // BT.709, else its colours come out washed out; a 10-bit output keeps it
    // with its colour tags.
    const bool toneMap = plan.hasVideo && videoEncoder != "copy" && IsHdrTransfer(facts.transfer) &&
                         EightBit(job, videoEncoder);
    // A profile with a limit writes progressive pictures at the source's size:
    // frames stored interlaced are deinterlaced before anything scales them
    // (frames stored whole pass untouched), unless the job deinterlaces itself.
    auto named = [&job](const char* name) {
        return std::any_of(job.videoFilters.begin(), job.videoFilters.end(),
                           [name](const Filter& f) { return f.name == name; });
    };
    if (plan.hasVideo && videoEncoder != "copy" && named("limit") && !named("yadif"))
        vf.push_back("yadif=mode=send_frame:parity=auto:deint=interlaced");
    if (toneMap)
        vf.insert(vf.end(), {"zscale=t=linear:npl=100", "format=gbrpf32le", "zscale=p=bt709",
                             "tonemap=tonemap=hable:desat=0", "zscale=t=bt709:m=bt709:r=tv",
                             "format=yuv420p"});
    if (plan.hasVideo && videoEncoder != "copy") {
        for (size_t i = 0; i < job.videoFilters.size(); ++i) {
            FrameFit fit;
            if (FindFrameFit(job.videoFilters, i, &fit)) {
                FitIntoFrame(fit, vf);
                i = fit.crop;
            } else if (!VideoFilter(job.videoFilters[i], vf, error)) {
                return false;
            }
        }
    } else if (plan.hasVideo && !job.videoFilters.empty()) {
        return Fail(error, "video filters cannot apply to a copied video stream");
    }
    if (plan.hasAudio && audioEncoder != "copy") {
        for (const Filter& f : job.audioFilters)
            if (!AudioFilter(f, af, error))
                return false;
    }

    // Streams.
    if (plan.hasVideo) {
        if (job.sid >= 0 && job.dvd) {
            char sub[32];
            std::snprintf(sub, sizeof sub, "[0:i:0x%x]", 0x20 + job.sid);
            std::string graph = std::string("[0:v:0]") + sub + "overlay";
            if (!vf.empty())
                graph += "," + Join(vf, ',');
            a.insert(a.end(), {"-filter_complex", graph + "[v]", "-map", "[v]"});
        } else {
            a.insert(a.end(), {"-map", "0:v:0"});
            if (!vf.empty())
                a.insert(a.end(), {"-vf", Join(vf, ',')});
        }
        // Frames to repeat are encoded again rather than left as gaps, so a
        // raw stream split out of the file keeps its timing.
        // A variable-rate source asked for at its own (average) rate keeps
        // each frame's time where the container can carry it.
        const std::string ofps = RateOf(job);
        const double asked = RateValue(ofps);
        const bool ownRate = facts.variableRate > 0 &&
                             std::abs(asked / facts.variableRate - 1) < 0.02 &&
                             KeepsFrameTimes(job);
        if (ownRate)
            a.insert(a.end(), {"-fps_mode", "vfr"});
        else if (!ofps.empty() && videoEncoder != "copy")
            a.insert(a.end(), {"-r", ofps, "-fps_mode", "cfr"});
        // MEncoder hands these encoders 8-bit 4:2:0 pictures, and it is what
        // players and devices decode: a 10-bit or 4:2:2 source is converted.
        if (Yuv420Encoders().count(videoEncoder))
            a.insert(a.end(), {"-pix_fmt", "yuv420p"});
        if (toneMap)
            a.insert(a.end(),
                     {"-color_primaries", "bt709", "-color_trc", "bt709", "-colorspace", "bt709"});
        if (!job.aspect.empty())
            a.insert(a.end(), {"-aspect", job.aspect});
        if (job.frames)
            a.insert(a.end(), {"-frames:v", std::to_string(*job.frames)});
        if (still)
            a.insert(a.end(), {"-disposition:v:0", "0"});
        if (still && facts.soundSeconds <= 0)
            a.push_back("-shortest");
    }
    a.insert(a.end(), video.begin(), video.end());
    if (plan.hasAudio) {
        if (job.dvd && job.aid >= 0) {
            // FFmpeg names a DVD's streams by their pack codes.
            const int id = qv::AudioStreamCode(job.aid);
            if (id < 0)
                return Fail(error, "-aid " + std::to_string(job.aid) +
                                       " names no DVD audio stream (MPEG 0-7, AC-3 128-135, "
                                       "DTS 136-143, LPCM 160-167)");
            char map[32];
            std::snprintf(map, sizeof map, "0:i:0x%x", id);
            a.insert(a.end(), {"-map", map});
        } else {
            a.insert(a.end(), {"-map", job.keepTracks ? "0:a?" : "0:a:0?"});
        }
        if (!af.empty())
            a.insert(a.end(), {"-af", Join(af, ',')});
        if (job.srate > 0 && audioEncoder != "copy")
            a.insert(a.end(), {"-ar", std::to_string(job.srate)});
        // MEncoder decodes to at most two channels unless -channels (or the
        // channels filter) asks for another count: a 5.1 source becomes
        // stereo, a mono one stays mono.
        const bool counted = std::find(audio.begin(), audio.end(), "-ac") != audio.end() ||
                             std::any_of(job.audioFilters.begin(), job.audioFilters.end(),
                                         [](const Filter& f) { return f.name == "channels"; });
        if (job.channels > 0 && audioEncoder != "copy")
            a.insert(a.end(), {"-ac", std::to_string(job.channels)});
        else if (audioEncoder != "copy" && !counted && facts.audioChannels != 1)
            a.insert(a.end(), {"-ac", "2"});
    }
    a.insert(a.end(), audio.begin(), audio.end());

    // Container.
    const size_t containerAt = a.size();
    const std::string ext = Extension(job.output);
    std::string format;
    if (job.of == "avi") {
        format = "avi";
        // XviD's own four-character code, as MEncoder writes it.
        std::string fourcc = job.fourcc.empty() && videoEncoder == "libxvid" ? "XVID" : job.fourcc;
        if (!fourcc.empty() && plan.hasVideo && videoEncoder != "copy")
            a.insert(a.end(), {"-tag:v", fourcc});
    } else if (job.of == "lavf") {
        std::string name = Lower(job.lavf.Get("format").value_or(""));
        if (!OnlyKnown(job.lavf, "-lavfopts", error))
            return false;
        if (name.empty())
            name = ext;
        const std::string* f = Lookup(LavfFormats(), name);
        if (!f)
            return Fail(error, "unknown lavf format \"" + name + "\"");
        format = *f;
        static const std::set<std::string> movFamily = {"mp4", "mov", "ipod", "3gp", "3g2", "psp"};
        if (job.lavf.Has("faststart")) {
            if (!movFamily.count(format))
                return Fail(error, "lavfopts faststart needs an MP4 or MOV format");
            a.insert(a.end(), {"-movflags", "+faststart"});
        }
        if (job.keepTracks)
            KeepSubtitles(format, facts, a);
    } else if (job.of == "mpeg") {
        if (!OnlyKnown(job.mpeg, "-mpegopts", error))
            return false;
        std::string name = job.mpeg.Get("format").value_or("mpeg2");
        const std::string* f = Lookup(MpegFormats(), name);
        if (!f)
            return Fail(error, "unknown mpegopts format \"" + name + "\"");
        format = *f;
        if (job.mpeg.Has("muxrate")) {
            long v;
            if (!NumberOf(job.mpeg, "muxrate", &v, error))
                return false;
            a.insert(a.end(), {"-muxrate", std::to_string(v * 1000)});
        }
    } else if (job.of == "rawvideo") {
        format = RawVideoFormat(videoEncoder, facts.videoCodec, ext);
        if (format.empty())
            return Fail(error, "no raw video format for this video stream");
    } else { // rawaudio
        if (!plan.hasAudio)
            return Fail(error, "-of rawaudio needs an audio encoder (-oac)");
        format = RawAudioFormat(audioEncoder, facts.audioCodec, ext);
        if (format.empty())
            return Fail(error, "no raw audio format for this audio stream");
    }
    a.insert(a.end(), {"-f", format, "-y", job.output});
    if (plan.twoPass && facts.pass == 0) {
        // The first pass: the same picture, analysed into the pass log;
        // nothing written.
        InputFacts first = facts;
        first.pass = 1;
        Plan analysis;
        if (!Translate(job, first, ffmpeg, analysis, error))
            return false;
        plan.firstPass.assign(analysis.ffmpeg.begin(), analysis.ffmpeg.begin() + containerAt);
        plan.firstPass.insert(plan.firstPass.end(),
                              {"-an", "-sn", "-f", "null", "-y", "/dev/null"});
    }
    return true;
}

} // namespace quenzo
