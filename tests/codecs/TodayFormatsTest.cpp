// The encoders and containers of today's profiles: constant quality, pixel
// formats, size and rate caps, a target size in two passes, every track kept.
#include "support/MediaInfo.h"
#include "support/Quenzo.h"
#include "support/TempDir.h"
#include "support/Tool.h"

#include "platform/CommandLine.h"
#include "quenzo/Translate.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <sys/stat.h>

using qvtest::MediaInfo;
using qvtest::MediaPath;
using qvtest::ProbeEntries;
using qvtest::RunQuenzo;
using qvtest::RunTool;
using qvtest::ToolRun;

namespace {

struct Translation {
    std::string line, firstPass, error;
};

Translation Translate(const std::string& options, const quenzo::InputFacts& facts = {}) {
    Translation t;
    quenzo::EncodeJob job;
    quenzo::Plan plan;
    if (!quenzo::ParseArguments(qv::SplitCommandLine(options), job, &t.error) ||
        !quenzo::Translate(job, facts, "ffmpeg", plan, &t.error))
        return t;
    for (const std::string& a : plan.ffmpeg)
        t.line += " " + a;
    for (const std::string& a : plan.firstPass)
        t.firstPass += " " + a;
    return t;
}

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

int Lines(const std::string& text) {
    int n = 0;
    for (char c : text)
        n += c == '\n';
    return n;
}

} // namespace

TEST(TodayFormats, QualityPresetsAndPixelFormatsOfTheNewEncoders) {
    const std::string tail = " -oac lavc -lavcopts acodec=libopus:abitrate=128 in.mkv -o o.mkv";
    // A constant quality replaces the bit rate the program always passes.
    Translation t = Translate("-ovc lavc -lavcopts vcodec=hevc:vbitrate=4000:crf=24:preset=fast:"
                              "pixfmt=yuv420p10le:vprofile=main10:vtag=hvc1" +
                              tail);
    EXPECT_TRUE(Has(t.line, " -c:v libx265 -crf 24 -preset fast -profile:v main10 -pix_fmt "
                            "yuv420p10le -tag:v hvc1"))
        << t.line << t.error;
    EXPECT_FALSE(Has(t.line, "-b:v")) << t.line;
    EXPECT_TRUE(Has(t.line, " -c:a libopus -b:a 128k")) << t.line;
    // VP9: pure constant quality, its speed as cpu-used.
    t = Translate("-ovc lavc -lavcopts vcodec=vp9:vbitrate=2000:crf=32:preset=4" + tail);
    EXPECT_TRUE(Has(t.line, " -c:v libvpx-vp9 -crf 32 -b:v 0 -row-mt 1 -deadline good -cpu-used 4"))
        << t.line << t.error;
    // Without crf the bit rate stands; ProRes has none.
    t = Translate("-ovc lavc -lavcopts vcodec=av1:vbitrate=2000:preset=8" + tail);
    EXPECT_TRUE(Has(t.line, " -c:v libsvtav1 -b:v 2000k -preset 8")) << t.line << t.error;
    t = Translate("-ovc lavc -lavcopts vcodec=prores:vbitrate=100000:vprofile=2:pixfmt=yuv422p10le"
                  " -oac pcm in.mkv -o o.mov");
    EXPECT_TRUE(Has(t.line, " -c:v prores_ks -profile:v 2 -pix_fmt yuv422p10le")) << t.line;
    EXPECT_FALSE(Has(t.line, "-b:v")) << t.line;
    // Fast start only where the moov box can move.
    t = Translate("-ovc x264 -x264encopts crf=18:preset=medium:keyint=30 -oac faac -of lavf "
                  "-lavfopts format=mp4:faststart in.mkv -o o.mp4");
    EXPECT_TRUE(Has(t.line, " -crf 18 -preset medium -x264-params keyint=30")) << t.line << t.error;
    EXPECT_TRUE(Has(t.line, " -movflags +faststart -f mp4")) << t.line;

    struct Refused {
        const char* options;
        const char* reason;
    } refused[] = {
        {"-ovc lavc -lavcopts vcodec=mpeg4:pixfmt=yuv420p10le", "8-bit 4:2:0 pictures only"},
        {"-ovc lavc -lavcopts vcodec=hevc:pixfmt=rgb24", "pixfmt takes yuv420p"},
        {"-ovc lavc -lavcopts vcodec=hevc:crf=99", "crf needs a quality from 0 to 63"},
        {"-ovc lavc -lavcopts vcodec=hevc:preset=a;b", "preset needs a name"},
        {"-ovc lavc -lavcopts vcodec=hevc:vtag=hvc", "vtag needs four"},
        {"-ovc x264 -of lavf -lavfopts format=matroska:faststart", "faststart needs an MP4"},
        {"-ovc x264 -vf limit=1920", "limit needs a width and a height"},
        {"-ovc x264 -vf limit=1920:1080:fast", "limit takes a frame rate"},
    };
    for (const Refused& r : refused) {
        t = Translate(std::string(r.options) + " -nosound in.mkv -o o.mkv");
        EXPECT_TRUE(t.line.empty()) << r.options;
        EXPECT_TRUE(Has(t.error, r.reason)) << r.options << ": " << t.error;
    }
}

TEST(TodayFormats, LimitCapsTheRateAndNeverRaisesIt) {
    const std::string codec = " -ovc x264 -nosound -vf-add scale=640:480,limit=1920:1080:60 ";
    Translation t = Translate("-ofps 120" + codec + "in.mkv -o o.mkv");
    EXPECT_TRUE(Has(t.line, " -r 60 -fps_mode cfr")) << t.line << t.error;
    t = Translate("-ofps 30000/1001" + codec + "in.mkv -o o.mkv");
    EXPECT_TRUE(Has(t.line, " -r 30000/1001 -fps_mode cfr")) << t.line;
}

TEST(TodayFormats, LimitShrinksEitherWayUpAndNeverEnlarges) {
    qvtest::TempDir dir;
    struct Case {
        const char* input;
        const char* limit;
        int width, height;
    } cases[] = {
        {"av.mp4", "limit=320:240", 320, 240},         // 640x480 halved
        {"av.mp4", "limit=1920:1080:60", 640, 480},    // never enlarged
        {"rotated90.mp4", "limit=320:240", 180, 320},  // upright 360x640: long side 320
        {"anamorphic.mp4", "limit=854:480", 854, 480}, // shown 1024x576
    };
    for (const Case& k : cases) {
        const std::string out = dir / "limit.mkv";
        ToolRun r =
            RunQuenzo(std::string("-ofps 25 -endpos 1 -vf-add scale=0:0,") + k.limit +
                      " -ovc lavc -lavcopts vcodec=mpeg4:vbitrate=600 -nosound -of lavf \"" +
                      MediaPath(k.input) + "\" -o \"" + out + "\"");
        ASSERT_EQ(r.exitCode, 0) << k.limit << "\n" << r.output;
        MediaInfo m(out);
        EXPECT_EQ(m.Int(MediaInfo::Video, "Width"), k.width) << k.input << " " << k.limit;
        EXPECT_EQ(m.Int(MediaInfo::Video, "Height"), k.height) << k.input << " " << k.limit;
    }
}

TEST(TodayFormats, ATargetSizeTakesTwoPassesAndFits) {
    // The rate: 200 kB over 4 s less 5 % and the sound's 64 kbit/s.
    quenzo::InputFacts facts;
    facts.spanSeconds = 4;
    facts.passLog = "/tmp/log";
    const std::string share = "-ovc x264 -x264encopts bitrate=1000:bitrate=-200:vbv_maxrate=8000 "
                              "-oac faac -faacopts br=64 -of lavf -lavfopts format=mp4:faststart "
                              "in.mp4 -o o.mp4";
    Translation t = Translate(share, facts);
    EXPECT_TRUE(Has(t.line, " -b:v 325k -pass 2 -passlogfile /tmp/log")) << t.line << t.error;
    EXPECT_TRUE(Has(t.firstPass, " -b:v 325k -pass 1 -passlogfile /tmp/log")) << t.firstPass;
    EXPECT_TRUE(Has(t.firstPass, " -an -sn -f null -y /dev/null")) << t.firstPass;
    EXPECT_FALSE(Has(t.firstPass, "faststart")) << t.firstPass;
    // A size far above what the picture needs stays at the ceiling.
    facts.spanSeconds = 1;
    t = Translate("-ovc x264 -x264encopts bitrate=-25600:vbv_maxrate=8000 -nosound in.mp4 -o o.mp4",
                  facts);
    EXPECT_TRUE(Has(t.line, " -b:v 8000k")) << t.line << t.error;
    // A span the size cannot hold, or none known, is refused.
    facts.spanSeconds = 3600;
    t = Translate("-ovc x264 -x264encopts bitrate=-1024 -oac faac -faacopts br=128 in.mp4 -o o.mp4",
                  facts);
    EXPECT_TRUE(Has(t.error, "1 MB cannot hold 3600 s")) << t.error;
    t = Translate("-ovc x264 -x264encopts bitrate=-1024 -nosound in.mp4 -o o.mp4");
    EXPECT_TRUE(Has(t.error, "needs the source's length")) << t.error;

    // A real run: at most the size, not far below it, and no pass log left.
    qvtest::TempDir dir, tmp;
    ::setenv("TMPDIR", tmp.path().c_str(), 1);
    const std::string out = dir / "share.mp4";
    ToolRun r = RunQuenzo("-ofps 25 -ovc x264 -x264encopts bitrate=-150:preset=veryfast -oac faac "
                          "-faacopts br=64 -of lavf -lavfopts format=mp4:faststart \"" +
                          MediaPath("small.mp4") + "\" -o \"" + out + "\"");
    ::unsetenv("TMPDIR");
    ASSERT_EQ(r.exitCode, 0) << r.output;
    struct stat st {};
    ASSERT_EQ(::stat(out.c_str(), &st), 0);
    EXPECT_LE(st.st_size, 150 * 1024);
    EXPECT_GE(st.st_size, 150 * 1024 * 7 / 10);
    EXPECT_TRUE(Has(r.output, "(100%)")) << r.output;
    int left = 0;
    if (DIR* d = ::opendir(tmp.path().c_str())) {
        while (dirent* e = ::readdir(d))
            left += e->d_name[0] != '.';
        ::closedir(d);
    }
    EXPECT_EQ(left, 0) << "the pass log stays behind";
}

TEST(TodayFormats, KeepTracksCarriesEveryAudioTrackSubtitlesAndChapters) {
    qvtest::TempDir dir;
    for (const char* format : {"matroska", "mp4"}) {
        const std::string out = dir / (std::string(format) == "mp4" ? "kept.mp4" : "kept.mkv");
        ToolRun r = RunQuenzo(
            "-ofps 25 -keep-tracks -ovc x264 -x264encopts crf=30:preset=ultrafast "
            "-oac faac -faacopts br=96 -of lavf -lavfopts format=" +
            std::string(format) + " \"" + MediaPath("tracks.mkv") + "\" -o \"" + out + "\"");
        ASSERT_EQ(r.exitCode, 0) << format << "\n" << r.output;
        EXPECT_EQ(ProbeEntries(out, "stream=index", "a"), "1\n2\n") << format;
        EXPECT_EQ(ProbeEntries(out, "stream=codec_name", "s"),
                  std::string(format) == "mp4" ? "mov_text\n" : "subrip\n")
            << format;
        EXPECT_EQ(Lines(ProbeEntries(out, "chapter=start_time")), 2) << format;
        EXPECT_TRUE(Has(ProbeEntries(out, "stream_tags=language", "a"), "ger")) << format;
    }
}

// HDR10 and HLG pictures: tone-mapped to SDR BT.709 in 8 bits, kept with
// their colour tags in 10-bit H.265.
TEST(TodayFormats, HdrIsToneMappedForEightBitsAndKeptInTen) {
    qvtest::TempDir dir;
    for (const char* input : {"hdr10.mkv", "hlg.mkv"}) {
        const std::string sdr = dir / "sdr.mp4", hdr = dir / "hdr.mkv";
        ToolRun r =
            RunQuenzo("-ofps 25 -ovc x264 -x264encopts crf=30:preset=ultrafast -nosound -of "
                      "lavf \"" +
                      MediaPath(input) + "\" -o \"" + sdr + "\"");
        ASSERT_EQ(r.exitCode, 0) << input << "\n" << r.output;
        EXPECT_EQ(ProbeEntries(sdr, "stream=pix_fmt,color_transfer,color_primaries", "v:0"),
                  "yuv420p,bt709,bt709\n")
            << input;
        r = RunQuenzo("-ofps 25 -ovc lavc -lavcopts vcodec=hevc:crf=30:preset=ultrafast:pixfmt="
                      "yuv420p10le -nosound -of lavf \"" +
                      MediaPath(input) + "\" -o \"" + hdr + "\"");
        ASSERT_EQ(r.exitCode, 0) << input << "\n" << r.output;
        const std::string transfer = std::string(input) == "hlg.mkv" ? "arib-std-b67" : "smpte2084";
        EXPECT_EQ(ProbeEntries(hdr, "stream=pix_fmt,color_transfer,color_primaries", "v:0"),
                  "yuv420p10le," + transfer + ",bt2020\n")
            << input;
    }
    // An SDR source is left alone.
    quenzo::InputFacts facts;
    facts.transfer = "bt709";
    EXPECT_FALSE(Has(Translate("-ovc x264 -nosound in.mp4 -o o.mp4", facts).line, "tonemap"));
    facts.transfer = "smpte2084";
    EXPECT_TRUE(Has(Translate("-ovc x264 -nosound in.mp4 -o o.mp4", facts).line, "tonemap"));
    EXPECT_FALSE(Has(Translate("-ovc lavc -lavcopts vcodec=av1:pixfmt=yuv420p10le -nosound in.mp4 "
                               "-o o.mkv",
                               facts)
                         .line,
                     "tonemap"));
}

// Frames the woven fields of two moments show as combs; idet counts them.
int CombedFrames(const std::string& file) {
    const std::string out = RunTool({"ffmpeg", "-nostdin", "-hide_banner", "-i", file, "-an", "-vf",
                                     "idet", "-f", "null", "-"})
                                .output;
    const size_t at = out.rfind("Multi frame detection:");
    if (at == std::string::npos)
        return -1;
    int tff = -1, bff = -1;
    std::sscanf(out.c_str() + at, "Multi frame detection: TFF: %d BFF: %d", &tff, &bff);
    return tff + bff;
}

TEST(TodayFormats, ALimitedProfileDeinterlacesAnInterlacedSource) {
    qvtest::TempDir dir;
    const std::string source = MediaPath("interlaced.mpg");
    ASSERT_GT(CombedFrames(source), 15) << "the source should look interlaced";
    const std::string codec =
        " -ovc x264 -x264encopts crf=22:preset=veryfast:profile=main -nosound -of lavf \"" +
        source + "\" -o \"";
    // A profile of today's: the result is whole pictures.
    const std::string limited = dir / "limited.mp4";
    ToolRun r = RunQuenzo("-vf-add scale=1024:576,limit=1920:1080:60" + codec + limited + "\"");
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_LE(CombedFrames(limited), 5);
    EXPECT_EQ(ProbeEntries(limited, "stream=profile", "v:0"), "Main\n");
    // An older profile keeps the frames as they are stored; a job that asks
    // for frame doubling is not deinterlaced twice.
    const std::string plain = dir / "plain.mp4";
    r = RunQuenzo("-vf-add scale=1024:576" + codec + plain + "\"");
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_GT(CombedFrames(plain), 15);
    Translation t = Translate("-ovc x264 -nosound -vf-add scale=720:576,limit=1920:1080:60,yadif=3 "
                              "in.mpg -o o.mp4");
    EXPECT_EQ(t.line.find("yadif"), t.line.rfind("yadif")) << t.line << t.error;
}
