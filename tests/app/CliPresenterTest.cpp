// What quorvane-cli reads from its command line and prints for each stage of
// a batch, without starting it.
#include "app/CliPresenter.h"
#include "app/CliArguments.h"
#include "app/ProgramEntry.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace qv;

namespace {

StageReport At(Stage stage, int job, int percent = 0) {
    StageReport r;
    r.stage = stage;
    r.job = job;
    r.jobs = 3;
    r.percent = percent;
    return r;
}

StageReport Done(int job, JobOutcome outcome, const std::string& output = "") {
    StageReport r = At(Stage::JobDone, job, outcome == OutcomeSucceeded ? 99 : 0);
    r.outcome = outcome;
    r.output = output;
    return r;
}

struct Printed {
    std::string out, err;
    CliPresenter Presenter(bool terminal, bool chinese) {
        return CliPresenter(
            {{"in/a.mp4", "a"}, {"b.mp4", "b"}, {"-c.mp4", "-c"}}, terminal, chinese,
            [this](const std::string& t) { out += t; }, [this](const std::string& t) { err += t; });
    }
};

} // namespace

TEST(CliArguments, ReadsLeftToRightAndSaysWhatIsWrong) {
    Result<CliCommand> c = ReadCliArguments(
        {"-p", "MP3", "--output", "/out", "--start", "00:00:01", "a.mp4", "--", "-b.mp4", "-h"});
    ASSERT_TRUE(c.Ok()) << c.Reason();
    EXPECT_EQ(c->profile, "MP3");
    EXPECT_EQ(c->outputFolder, "/out");
    EXPECT_EQ(c->start, "00:00:01");
    EXPECT_EQ(c->files, (std::vector<std::string>{"a.mp4", "-b.mp4", "-h"}));
    EXPECT_FALSE(c->help);

    EXPECT_TRUE(ReadCliArguments({"-x", "-h"}).Reason().find("unknown option -x") == 0);
    EXPECT_TRUE(ReadCliArguments({"-h", "-x"})->help) << "help ends the reading";
    EXPECT_TRUE(ReadCliArguments({"--list-profiles"})->listProfiles);
    EXPECT_EQ(ReadCliArguments({"-p", "P", "-o"}).Reason(), "-o needs a value");
    EXPECT_EQ(ReadCliArguments({"-p", "P", "-o", "/o", "--end", "1:00", "f"}).Reason(),
              "--end needs a time as hh:mm:ss, not \"1:00\"");
    EXPECT_FALSE(ReadCliArguments({"-p", "P", "-o", "/o"}).Ok()) << "no file";
    EXPECT_FALSE(ReadCliArguments({"-o", "/o", "f"}).Ok()) << "no profile";
    EXPECT_TRUE(IsTimeText("99:59:59"));
    EXPECT_FALSE(IsTimeText("00:60:00"));
    EXPECT_FALSE(IsTimeText("00:00:6x"));
}

TEST(CliPresenter, LinesForEveryStageInEnglishAndChineseAndABarThatNeverGoesBack) {
    for (bool chinese : {false, true}) {
        Printed p;
        CliPresenter cli = p.Presenter(false, chinese);
        cli.OnStage(At(Stage::Preparing, 1, 1));
        StageReport converting = At(Stage::Converting, 1);
        converting.output = "a.mp3";
        cli.OnStage(converting);
        cli.OnStage(At(Stage::Progress, 1, 55));
        cli.OnStage(At(Stage::Progress, 1, 30)); // a late position
        cli.OnStage(At(Stage::Progress, 1, -1)); // a span of unknown length
        cli.OnStage(Done(1, OutcomeSucceeded, "/out/a.mp3"));
        StageReport failed = At(Stage::Failed, 2);
        failed.reason = "the encoder gave up: broken";
        cli.OnStage(failed);
        cli.OnStage(Done(2, OutcomeFailed));
        cli.OnStage(At(Stage::Preparing, 3, 1));
        cli.OnStage(Done(3, OutcomeCancelled));
        StageReport end = At(Stage::BatchEnded, 3);
        end.outcome = OutcomeCancelled;
        cli.OnStage(end);
        EXPECT_EQ(p.out, "/out/a.mp3\n");
        const std::string expected =
            chinese ? "准备转换. 这将需要几分钟时间, 请耐心等待.\na: 0%\n正在转换文件: a.mp3\na: "
                      "50%\na: 90%\na: 100%\nquorvane-cli: 失败: b.mp4: the encoder gave up: "
                      "broken\n准备转换. 这将需要几分钟时间, 请耐心等待.\n-c: 0%\nquorvane-cli: "
                      "已停止: -c.mp4\n"
                    : "Preparing the conversion. This may take a few minutes.\na: 0%\nConverting: "
                      "a.mp3\na: 50%\na: 90%\na: 100%\nquorvane-cli: failed: b.mp4: the encoder "
                      "gave up: broken\nPreparing the conversion. This may take a few "
                      "minutes.\n-c: 0%\nquorvane-cli: stopped: -c.mp4\n";
        EXPECT_EQ(p.err, expected);
        EXPECT_FALSE(cli.AllSucceeded());
    }
}

TEST(CliPresenter, OnATerminalABarPerJobEndedByALine) {
    Printed p;
    CliPresenter cli = p.Presenter(true, false);
    cli.OnStage(At(Stage::Preparing, 1, 1));
    cli.OnStage(At(Stage::Progress, 1, 50));
    cli.OnStage(Done(1, OutcomeSucceeded, "/out/a.mp3"));
    StageReport end = At(Stage::BatchEnded, 1);
    cli.OnStage(end);
    EXPECT_EQ(p.err, "\r[                                        ]   1% a"
                     "\r[####################                    ]  50% a"
                     "\r[####################################### ]  99% a"
                     "\r[########################################] 100% a\n");
    EXPECT_EQ(p.out, "/out/a.mp3\n");
    EXPECT_TRUE(cli.AllSucceeded());
}

TEST(ProgramEntry, LanguagePlatformAndTheUpdatersWords) {
    ::setenv("QV_TEST_LANG_A", "zh_CN.UTF-8", 1);
    ::setenv("QV_TEST_LANG_B", "en_US.UTF-8", 1);
    ::unsetenv("QV_TEST_LANG_NONE");
    EXPECT_TRUE(ChineseLocale({"QV_TEST_LANG_NONE", "QV_TEST_LANG_A", "QV_TEST_LANG_B"}));
    EXPECT_FALSE(ChineseLocale({"QV_TEST_LANG_B", "QV_TEST_LANG_A"}));
    EXPECT_FALSE(ChineseLocale({"QV_TEST_LANG_NONE"}));
    EXPECT_TRUE(WantsXcbPlatform(nullptr, "wayland-0", ":0"));
    EXPECT_FALSE(WantsXcbPlatform("wayland", "wayland-0", ":0")) << "the user's choice stands";
    EXPECT_FALSE(WantsXcbPlatform(nullptr, "wayland-0", nullptr));
    EXPECT_EQ(UpdateNotice("1.2.3", false).rfind("Quorvane Pro version 1.2.3\n\n", 0), 0u);
    EXPECT_EQ(UpdateNotice("1.2.3", true).rfind("Quorvane Pro 版本 1.2.3\n\n", 0), 0u);
}
