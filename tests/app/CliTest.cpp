#include "support/Paths.h"
#include "support/TempDir.h"
#include "support/Tone.h"
#include "support/Tool.h"

#include <gtest/gtest.h>

#include <sstream>

using qvtest::RunTool;

namespace {

std::vector<std::string> Cli(const qvtest::TempDir& home, std::vector<std::string> args) {
    // A home of its own: the settings' default folders are made under it.
    args.insert(args.begin(),
                {"env", "HOME=" + home.path(), qvtest::ProgramDir() + "quorvane-cli"});
    return args;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

} // namespace

TEST(QuorvaneCli, ListsTheProfilesInTableOrder) {
    qvtest::TempDir home;
    qvtest::ToolRun r = RunTool(Cli(home, {"--list-profiles"}));
    ASSERT_EQ(r.exitCode, 0);
    std::vector<std::string> lines = Lines(r.output);
    ASSERT_GE(lines.size(), 21u);
    EXPECT_EQ(lines[0], "AVI\tAVI - XviD Video\tavi\tvideo");
    EXPECT_EQ(lines.back(), "Audio\tM4A - ALAC Audio\tm4a\taudio");
}

TEST(QuorvaneCli, ConvertsWhatItCanAndSaysSoInItsStatus) {
    qvtest::TempDir home, out;
    const std::string clip = qvtest::MediaDir() + "small.mp4";
    qvtest::ToolRun good = RunTool(Cli(home, {"-p", "MP4 - H.264 Video", "-o", out.path(),
                                              "--start", "00:00:01", "--end", "00:00:03", clip}));
    ASSERT_EQ(good.exitCode, 0) << good.output;
    EXPECT_NE(good.output.find(out / "small.mp4"), std::string::npos);
    EXPECT_TRUE(qvtest::FileExists(out / "small.mp4"));

    // One refusal among good files: the others are converted, the status says 1.
    qvtest::ToolRun mixed =
        RunTool(Cli(home, {"-p", "MP3 - MPEG Audio Layer 3", "-o", out.path(),
                           qvtest::MediaDir() + "notmedia.avi", qvtest::MediaDir() + "small.wav"}));
    EXPECT_EQ(mixed.exitCode, 1);
    EXPECT_NE(mixed.output.find("refused: " + qvtest::MediaDir() + "notmedia.avi"),
              std::string::npos);
    EXPECT_TRUE(qvtest::FileExists(out / "small.mp3"));

    EXPECT_EQ(RunTool(Cli(home, {"-p", "No Such Profile", "-o", out.path(), clip})).exitCode, 2);
    EXPECT_EQ(RunTool(Cli(home, {"-p", "MP4 - H.264 Video", "-o", out / "missing", clip})).exitCode,
              2);
    EXPECT_EQ(
        RunTool(Cli(home, {"-p", "MP4 - H.264 Video", "-o", out.path(), "--start", "1:00", clip}))
            .exitCode,
        2);
}

TEST(QuorvaneCli, ListsADvdsTitlesAndConvertsThemByTheNumbersItPrints) {
    qvtest::TempDir home, out;
    const std::string dvd = qvtest::MediaDir() + "dvdmix";
    qvtest::ToolRun list = RunTool(Cli(home, {"--titles", dvd}));
    ASSERT_EQ(list.exitCode, 0) << list.output;
    std::vector<std::string> lines = Lines(list.output);
    ASSERT_EQ(lines.size(), 2u) << list.output;
    EXPECT_EQ(lines[0], "1\t00:00:04\t1 English AC3 1ch 48000Hz, 2 German MPEG 2ch 48000Hz, "
                        "3 French LPCM 1ch 48000Hz\t1 English, 2 German");
    EXPECT_EQ(lines[1].substr(lines[1].rfind('\t')), "\t1 English");

    // The second audio track (MPEG at 660 Hz) of titles 2 and 1, in that order.
    qvtest::ToolRun convert =
        RunTool(Cli(home, {"-p", "MP3 - MPEG Audio Layer 3", "-o", out.path(), "--dvd", dvd,
                           "--title", "2", "--title", "1", "--audio", "2"}));
    ASSERT_EQ(convert.exitCode, 0) << convert.output;
    for (const char* name : {"Title_1.mp3", "Title_2.mp3"}) {
        ASSERT_TRUE(qvtest::FileExists(out / name)) << convert.output;
        EXPECT_NEAR(qvtest::ToneOf(out / name), 660, 20) << name;
    }
    EXPECT_LT(convert.output.find(out / "Title_2.mp3"), convert.output.find(out / "Title_1.mp3"));

    // A title, a track or a disc that is not there: nothing is converted.
    for (std::vector<std::string> wrong : {std::vector<std::string>{"--dvd", dvd, "--title", "3"},
                                           {"--dvd", dvd, "--title", "2", "--subtitle", "2"},
                                           {"--dvd", dvd, "--title", "1", "--audio", "4"},
                                           {"--dvd", out / "nothing", "--title", "1"}}) {
        wrong.insert(wrong.begin(), {"-p", "MP3 - MPEG Audio Layer 3", "-o", out / "x"});
        ::mkdir((out / "x").c_str(), 0755);
        qvtest::ToolRun r = RunTool(Cli(home, wrong));
        EXPECT_EQ(r.exitCode, 1) << wrong[6] << "\n" << r.output;
        EXPECT_FALSE(qvtest::FileExists(out / "x/Title_1.mp3"));
    }
    qvtest::ToolRun missing = RunTool(Cli(home, {"--titles", out / "nothing"}));
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.output.find("does not exist"), std::string::npos) << missing.output;
}
