// quorvane-cli as people use command-line tools: help, "--", plain reasons
// for what it refuses, a progress that ends at 100 %, the locale's language.
#include "support/Paths.h"
#include "support/TempDir.h"
#include "support/Tool.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

using qvtest::RunTool;
using qvtest::ToolRun;

namespace {

ToolRun Cli(const qvtest::TempDir& home, const std::string& lang, std::vector<std::string> args) {
    args.insert(args.begin(), {"env", "HOME=" + home.path(), "LC_ALL=", "LANG=" + lang,
                               qvtest::ProgramDir() + "quorvane-cli"});
    return RunTool(args);
}

bool Has(const ToolRun& r, const std::string& text) {
    return r.output.find(text) != std::string::npos;
}

} // namespace

TEST(QuorvaneCliUsage, HelpNamesTheOptionsAndTheEndOfOptions) {
    qvtest::TempDir home;
    for (const char* flag : {"--help", "-h"}) {
        ToolRun r = Cli(home, "C.UTF-8", {flag});
        EXPECT_EQ(r.exitCode, 0) << flag;
        EXPECT_TRUE(Has(r, "usage: quorvane-cli")) << r.output;
        EXPECT_TRUE(Has(r, "[--] FILE...")) << r.output;
    }
}

TEST(QuorvaneCliUsage, RefusalsSayWhatIsWrong) {
    qvtest::TempDir home, out;
    const std::string clip = qvtest::MediaDir() + "small.mp4";
    ToolRun missing =
        Cli(home, "en_US.UTF-8", {"-p", "MP4 - H.264 Video", "-o", out.path(), out / "gone.mp4"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(Has(missing, out / "gone.mp4" + " does not exist")) << missing.output;
    EXPECT_FALSE(Has(missing, "damaged")) << missing.output;

    qvtest::WriteFile(out / "file.txt", "x");
    ToolRun notFolder =
        Cli(home, "en_US.UTF-8", {"-p", "MP4 - H.264 Video", "-o", out / "file.txt", clip});
    EXPECT_EQ(notFolder.exitCode, 2);
    EXPECT_TRUE(Has(notFolder, "is not a folder")) << notFolder.output;

    // The engine's reason is printed, not only a pointer to the log.
    ToolRun late = Cli(home, "en_US.UTF-8",
                       {"-p", "MP4 - H.264 Video", "-o", out.path(), "--start", "00:00:09", clip});
    EXPECT_EQ(late.exitCode, 1);
    EXPECT_TRUE(Has(late, "the start 00:00:09 is not before the end of the source")) << late.output;
    ToolRun bad = Cli(
        home, "en_US.UTF-8",
        {"-p", "MP3 - MPEG Audio Layer 3", "-o", out.path(), qvtest::MediaDir() + "truncated.avi"});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_TRUE(Has(bad, "truncated.avi: the encoder gave up: the input ends at")) << bad.output;
}

TEST(QuorvaneCliUsage, NamesAfterTheEndOfOptionsAndAProgressToTheEnd) {
    qvtest::TempDir home, out;
    const std::string dashed = out / "-clip.wav";
    qvtest::WriteFile(dashed, qvtest::ReadFile(qvtest::MediaDir() + "small.wav"));
    ToolRun r = RunTool({"sh", "-c",
                         "cd \"$1\" && HOME=\"$2\" LC_ALL= LANG=en_US.UTF-8 \"$3\" -p \"MP3 - MPEG "
                         "Audio Layer 3\" -o . -- -clip.wav",
                         "sh", out.path(), home.path(), qvtest::ProgramDir() + "quorvane-cli"});
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_TRUE(qvtest::FileExists(out / "-clip.mp3"));
    // Progress lines (not a terminal): never backwards, the last one 100 %.
    std::istringstream in(r.output);
    int last = -1;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("-clip: ", 0) != 0)
            continue;
        int percent = std::atoi(line.c_str() + 7);
        EXPECT_GE(percent, last) << r.output;
        last = percent;
    }
    EXPECT_EQ(last, 100) << r.output;
    // Status lines in the locale's language.
    EXPECT_TRUE(Has(r, "Converting: -clip.mp3")) << r.output;
    EXPECT_FALSE(Has(r, "正在转换")) << r.output;
    ToolRun zh = Cli(home, "zh_CN.UTF-8",
                     {"-p", "MP3 - MPEG Audio Layer 3", "-o", out.path(), "--", dashed});
    EXPECT_EQ(zh.exitCode, 0) << zh.output;
    EXPECT_TRUE(Has(zh, "正在转换文件: -clip(1).mp3")) << zh.output;
}

TEST(QuorvaneCliUsage, DvdOptionsAreCheckedBeforeAnythingIsRead) {
    qvtest::TempDir home, out;
    const std::string dvd = qvtest::MediaDir() + "dvdmix";
    const std::string p = "MP3 - MPEG Audio Layer 3";
    struct Case {
        std::vector<std::string> args;
        const char* says;
    };
    for (const Case& c : {
             Case{{"-p", p, "-o", out.path(), "--title", "1", dvd}, "--title needs --dvd"},
             Case{{"-p", p, "-o", out.path(), "--dvd", dvd}, "at least one --title"},
             Case{{"-p", p, "-o", out.path(), "--dvd", dvd, "--title", "1", dvd}, "not both"},
             Case{{"-p", p, "-o", out.path(), "--dvd", dvd, "--title", "one"}, "a number from 1"},
             Case{{"-p", p, "-o", out.path(), "--dvd", dvd, "--title", "0"}, "a number from 1"},
             Case{{"--titles"}, "--titles needs a value"},
         }) {
        ToolRun r = Cli(home, "en_US.UTF-8", c.args);
        EXPECT_EQ(r.exitCode, 2) << c.says;
        EXPECT_TRUE(Has(r, c.says)) << r.output;
    }
    ToolRun help = Cli(home, "C.UTF-8", {"--help"});
    EXPECT_TRUE(Has(help, "--titles DVD")) << help.output;
}
