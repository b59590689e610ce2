#include "support/Paths.h"
#include "support/TempDir.h"
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
