// The engine, the probe, the player's parser and the tools under a locale
// whose decimal mark is a comma (de_DE.UTF-8, made by scripts/setup): every
// number the program reads or writes keeps its point. The group sets that
// locale for itself and for the programs it starts, as a German desktop would.
#include "Number.h"
#include "engine/EncoderCommand.h"
#include "engine/EncoderOutput.h"
#include "probe/MediaProbe.h"

#include "support/Paths.h"
#include "support/Picture.h"
#include "support/RecordingServices.h"
#include "support/TempDir.h"
#include "support/Tool.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <map>

using namespace qv;

namespace {

// What a Qt program does first: the user's locale for every category.
class CommaLocale : public ::testing::Environment {
public:
    void SetUp() override {
        ::setenv("LANG", "de_DE.UTF-8", 1);
        ::setenv("LC_ALL", "de_DE.UTF-8", 1);
        ASSERT_NE(std::setlocale(LC_ALL, ""), nullptr)
            << "the locale de_DE.UTF-8 is missing (scripts/setup generates it)";
        ASSERT_STREQ(std::localeconv()->decimal_point, ",");
    }
};

const auto* const g_locale = ::testing::AddGlobalTestEnvironment(new CommaLocale);

std::vector<std::string> Cli(const qvtest::TempDir& home, std::vector<std::string> args) {
    args.insert(args.begin(), {"env", "HOME=" + home.path(), "LANG=de_DE.UTF-8",
                               "LC_ALL=de_DE.UTF-8", qvtest::ProgramDir() + "quorvane-cli"});
    return args;
}

} // namespace

TEST(CommaLocale, NumbersReadAndWriteWithAPoint) {
    EXPECT_EQ(NumberOr("1.778"), 1.778);
    EXPECT_EQ(NumberOr(" 29.970 fps"), 29.97);
    EXPECT_FALSE(LeadingNumber("1,5").value_or(0) == 1.5);
    EXPECT_EQ(FixedText(29.97, 3), "29.970");
    EXPECT_EQ(ShortText(0.75), "0.75");
    std::string_view rest;
    EXPECT_EQ(LeadingNumber("30000/1001", &rest), 30000);
    EXPECT_EQ(rest, "/1001");
    EXPECT_FALSE(WholeNumber("12.5 "));
    EXPECT_FALSE(WholeNumber("1e999"));
    EXPECT_EQ(WholeNumber("+12.5"), 12.5);

    // The encoder's progress line.
    EXPECT_FLOAT_EQ(PositionSeconds("  12.5s   313f (41%)"), 12.5f);
}

// The fields libmediainfo gives: a non-square picture keeps its shape, a
// length its fraction.
TEST(CommaLocale, ProbeReadsTheShapeAndLengths) {
    const std::map<std::string, std::string> fields = {
        {"0Duration/String3", "00:00:03.000"},
        {"0Format", "MPEG-4"},
        {"1Width", "720"},
        {"1Height", "576"},
        {"1DisplayAspectRatio", "1.778"},
        {"1Duration", "2960.5"},
        {"2Duration", "3000.25"},
    };
    auto get = [&](int kind, const char* name) {
        auto it = fields.find(std::to_string(kind) + name);
        return it == fields.end() ? std::string() : it->second;
    };
    ProbeResult r;
    ASSERT_TRUE(InterpretFields(get, true, r));
    EXPECT_EQ(r.width, 1024);
    EXPECT_DOUBLE_EQ(r.videoSeconds, 2.9605);
    EXPECT_DOUBLE_EQ(r.audioSeconds, 3.00025);

    qvtest::RecordingServices user;
    ProbeResult real;
    ASSERT_TRUE(ProbeMediaFile(qvtest::MediaDir() + "anamorphic.mp4", real));
    EXPECT_EQ(real.width, 1024);
    EXPECT_EQ(real.height, 576);
}

// A WMV profile takes the source's rate when it is the lower one.
TEST(CommaLocale, TheLowerSourceRateIsKept) {
    ProfileRecord p{};
    SetFieldText(p.outputFormat, "wmv");
    SetFieldText(p.frameRate, "29.97");
    CMediaRecord job;
    job.kind = KindFile;
    job.sourcePath = "/tmp/clip.mp4";
    job.baseName = "clip";
    job.frameRate = "29.5";
    job.fullLength = job.trimEnd = "00:00:05";
    job.trimStart = "00:00:00";
    qvtest::TempDir dir;
    EXPECT_EQ(
        BuildEncoderCommand(job, p, EngineSettings{}, dir.path(), qvtest::ProgramDir()).frameRate,
        "29.5");
}

// The whole way, as a user on a German desktop: the anamorphic 16:9 clip
// and a 29.97 clip with the automatic size keep their shape and rate.
TEST(CommaLocale, CliConvertsAnamorphicAndNtscClipsAtTheirShape) {
    qvtest::TempDir home, out;
    qvtest::ToolRun r = qvtest::RunTool(Cli(home, {"-p", "MKV - H.264 Video", "-o", out.path(),
                                                   qvtest::MediaDir() + "anamorphic.mp4",
                                                   qvtest::MediaDir() + "anamorphic43.mp4"}));
    ASSERT_EQ(r.exitCode, 0) << r.output;

    const qvtest::StreamFacts wide = qvtest::Examine(out / "anamorphic.mkv");
    EXPECT_EQ(wide.width, 1024);
    EXPECT_EQ(wide.height, 576);
    const qvtest::StreamFacts ntsc = qvtest::Examine(out / "anamorphic43.mkv");
    EXPECT_EQ(ntsc.width, 640);
    EXPECT_EQ(ntsc.height, 480);
    qvtest::ToolRun rate =
        qvtest::RunTool({"ffprobe", "-v", "error", "-select_streams", "v:0", "-show_entries",
                         "stream=avg_frame_rate", "-of", "csv=p=0", out / "anamorphic43.mkv"});
    std::string_view rest;
    const double num = LeadingNumber(rate.output, &rest).value_or(0);
    const double den = rest.empty() ? 0 : NumberOr(rest.substr(1));
    EXPECT_NEAR(den > 0 ? num / den : 0, 29.97, 0.01) << rate.output;
}
