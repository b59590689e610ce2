#include "engine/EncoderRun.h"

#include "support/FakeTool.h"
#include "support/Process.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using namespace qv;

namespace {

// A batch that records what the worker tells it.
class RecordingBatch : public JobBatch {
public:
    explicit RecordingBatch(std::string tools) : tools_(std::move(tools)) {
        job.kind = KindFile;
        job.sourcePath = "/media/clip.avi";
        job.baseName = "clip";
        job.fullLength = job.trimEnd = "00:01:40";
        job.trimStart = "00:00:00";
        job.frameRate = "25";
        profile = ProfileRecord{};
        SetFieldText(profile.name, "Test");
        SetFieldText(profile.outputFormat, "avi");
        SetFieldText(profile.frameRate, "Auto");
        profile.width = profile.height = -1;
    }

    CMediaRecord& CurrentJob() override { return job; }
    const ProfileRecord& Profile() const override { return profile; }
    const EngineSettings& Settings() const override { return settings; }
    std::string OutputFolder() const override { return out.path(); }
    std::string ToolFolder() const override { return tools_; }
    bool StopRequested() const override { return stop; }
    void ReportStatus(const std::string& text) override { statuses.push_back(text); }
    void ReportProgress(float seconds, uint32_t) override { positions.push_back(seconds); }
    void SetFileProgress(int percent) override { bars.push_back(percent); }
    void PostOutcome(JobOutcome o) override { outcomes.push_back(o); }

    CMediaRecord job;
    ProfileRecord profile;
    EngineSettings settings;
    qvtest::TempDir out;
    std::atomic<bool> stop{false};
    std::vector<std::string> statuses;
    std::vector<float> positions;
    std::vector<int> bars;
    std::vector<JobOutcome> outcomes;

private:
    std::string tools_;
};

const std::string kPrepare = "准备转换. 这将需要几分钟时间, 请耐心等待.";

struct FakeRun {
    qvtest::FakeProgramFolder tools;
    RecordingBatch batch{tools.Folder()};
    explicit FakeRun(const std::string& script) : tools(script) {}
    JobOutcome Go() {
        RunJob(batch);
        EXPECT_EQ(batch.outcomes.size(), 1u) << "exactly one outcome per run";
        return batch.outcomes.empty() ? OutcomeFailed : batch.outcomes.back();
    }
};

} // namespace

TEST(EncoderRun, PositionsCountPerChunkAndEveryFifthIsReported) {
    // Each printf is its own chunk thanks to the pauses.
    FakeRun r("for i in 1 2 3 4 5 6 7 8 9 10; do printf 'Pos: %d.5s %6df (%2d%%)\\r' $i $i $i; "
              "sleep 0.05; done; echo done > \"$out\"");
    EXPECT_EQ(r.Go(), OutcomeSucceeded);
    EXPECT_EQ(r.batch.positions, (std::vector<float>{5.5f, 10.5f}));
    ASSERT_EQ(r.batch.statuses.size(), 2u);
    EXPECT_EQ(r.batch.statuses[0], kPrepare);
    EXPECT_EQ(r.batch.statuses[1], "正在转换文件: clip.avi");
    EXPECT_EQ(r.batch.bars, (std::vector<int>{1, 99}));
    EXPECT_EQ(r.batch.job.outputPath, r.batch.out / "clip.avi");
}

TEST(EncoderRun, MarkerInTheChunkOfTheFifthPositionReportsItThenFails) {
    FakeRun r("for i in 1 2 3 4; do printf 'Pos: %d.0s\\r' $i; sleep 0.05; done; "
              "printf 'Pos: 5.0s\\r\\n退出.. broken\\n'; sleep 1; echo x > \"$out\"");
    EXPECT_EQ(r.Go(), OutcomeFailed);
    EXPECT_EQ(r.batch.positions, (std::vector<float>{5.0f}));
    EXPECT_EQ(r.batch.bars, (std::vector<int>{1})); // no 99 for a failure
}

TEST(EncoderRun, ChunksWithoutAUsablePositionDoNotCount) {
    // "Pos:" without "s", and a position split over two chunks, are lost.
    FakeRun r(
        "for i in 1 2 3 4; do printf 'Pos: 1.0\\r'; sleep 0.05; done; "
        "printf 'Pos: 2'; sleep 0.1; printf '.0s\\r'; sleep 0.05; "
        "for i in 1 2 3 4; do printf 'Pos: %d.0s\\r' $i; sleep 0.05; done; echo x > \"$out\"");
    EXPECT_EQ(r.Go(), OutcomeSucceeded);
    EXPECT_EQ(r.batch.positions, std::vector<float>{});
}

TEST(EncoderRun, ASilentEncoderSucceedsWithThePreparingStatus) {
    FakeRun r("echo x > \"$out\"");
    EXPECT_EQ(r.Go(), OutcomeSucceeded);
    EXPECT_EQ(r.batch.statuses, std::vector<std::string>{kPrepare});
    EXPECT_EQ(r.batch.bars, (std::vector<int>{1, 99}));
}

TEST(EncoderRun, AStopSeenAtTheNextOutputCancelsAndEndsTheEncodersGroup) {
    qvtest::TempDir pids;
    FakeRun r("sleep 60 & echo $! > '" + pids / "child" +
              "'; sleep 0.5; printf 'Pos: 1.0s\\r'; sleep 60; echo x > \"$out\"");
    r.batch.stop = true; // confirmed while the encoder is silent
    EXPECT_EQ(r.Go(), OutcomeCancelled);
    EXPECT_EQ(r.batch.statuses.size(), 2u);
    // What the encoder started is gone too.
    std::string child = qvtest::ReadFile(pids / "child");
    child.erase(child.find_last_not_of("\n") + 1);
    ASSERT_FALSE(child.empty());
    EXPECT_TRUE(qvtest::ProcessGone(std::stoi(child)));
}

TEST(EncoderRun, FailuresAreNeverReportedAsSuccess) {
    for (const char* script : {
             "printf 'Pos: 1.0s\\r'; kill -SEGV $$",             // crashes
             "printf 'Pos: 1.0s\\r'; echo x > \"$out\"; exit 3", // fails without the marker
             "printf 'Pos: 1.0s\\r'",                            // writes no file
             "printf 'Pos: 1.0s\\r'; : > \"$out\"",              // writes an empty file
         }) {
        FakeRun r(script);
        EXPECT_EQ(r.Go(), OutcomeFailed) << script;
    }
}

TEST(EncoderRun, AnEncoderThatCannotStartStillEndsTheJob) {
    qvtest::TempDir empty;
    RecordingBatch batch(empty.path() + "/");
    RunJob(batch);
    EXPECT_EQ(batch.outcomes, std::vector<JobOutcome>{OutcomeFailed});
}

TEST(EncoderRun, TheLogRecordAndTimeTexts) {
    EncoderCommand c;
    c.Source = "\"a.avi\"";
    c.ACodes = " -oac pcm";
    std::string chunk(5000, 'x'); // far beyond any fixed buffer
    std::string record = ErrorRecord(chunk + "退出..", c);
    EXPECT_EQ(
        record.rfind("[ERROR] " + chunk + "退出.. \n Source = \"a.avi\"\n ACodes =  -oac pcm\n", 0),
        0u);
    EXPECT_NE(record.find("\n ExParam = "), std::string::npos);
    EXPECT_EQ(FormatSeconds(930), "00:15:30");
    EXPECT_EQ(FormatSeconds(360000 + 61), "100:01:01");
    EXPECT_EQ(FormatMs(3723004), "01:02:03.004");
}
