#include "engine/EncoderRun.h"
#include "engine/EncoderOutput.h"
#include "engine/ResultCheck.h"

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
        // These tests are about the run, not the media: any non-empty file
        // passes for a result of the job's span.
        SetMediaReader([this](const std::string& path, MediaFacts& f) {
            if (!qvtest::FileExists(path))
                return false;
            f.seconds = JobLengthSeconds(job);
            f.videoStreams = f.audioStreams = 1;
            return true;
        });
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

    ~RecordingBatch() override { SetMediaReader(nullptr); }

    CMediaRecord& CurrentJob() override { return job; }
    const ProfileRecord& Profile() const override { return profile; }
    const EngineSettings& Settings() const override { return settings; }
    std::string OutputFolder() const override { return out.path(); }
    std::string ToolFolder() const override { return tools_; }
    bool StopRequested() const override { return stop; }
    void Report(const StageReport& r) override {
        switch (r.stage) {
        case Stage::Preparing:
            statuses.push_back("preparing");
            bars.push_back(r.percent);
            break;
        case Stage::Converting: statuses.push_back("converting " + r.output); break;
        case Stage::Progress: positions.push_back(r.seconds); break;
        case Stage::Failed: failure = r.reason; break;
        case Stage::JobDone:
            if (r.percent > 0)
                bars.push_back(r.percent);
            outcomes.push_back(r.outcome);
            break;
        case Stage::BatchEnded: break;
        }
    }

    CMediaRecord job;
    ProfileRecord profile;
    EngineSettings settings;
    qvtest::TempDir out;
    std::atomic<bool> stop{false};
    std::vector<std::string> statuses;
    std::vector<float> positions;
    std::vector<int> bars;
    std::vector<JobOutcome> outcomes;
    std::string failure;

private:
    std::string tools_;
};

const std::string kPrepare = "preparing";

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
    EXPECT_EQ(r.batch.statuses[1], "converting clip.avi");
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

TEST(EncoderRun, AStopCancelsAndEndsTheEncodersGroup) {
    qvtest::TempDir pids;
    FakeRun r("sleep 60 & echo $! > '" + pids / "child" +
              "'; sleep 0.5; printf 'Pos: 1.0s\\r'; sleep 60; echo x > \"$out\"");
    r.batch.stop = true; // confirmed while the encoder is silent
    EXPECT_EQ(r.Go(), OutcomeCancelled);
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

TEST(EncoderRun, TheResultIsWrittenAsPartialAndNeverReplacesAFile) {
    // Someone else's file appears under the job's final name while it runs.
    FakeRun r("echo theirs > \"${out%.partial}\"; printf 'Pos: 1.0s\\r'; echo mine > \"$out\"");
    qvtest::WriteFile(r.batch.out / "clip.avi.partial", "a partial of the user's");
    EXPECT_EQ(r.Go(), OutcomeSucceeded);
    EXPECT_EQ(r.batch.job.outputPath, r.batch.out / "clip(2).avi");
    EXPECT_EQ(qvtest::ReadFile(r.batch.out / "clip(2).avi"), "mine\n");
    EXPECT_EQ(qvtest::ReadFile(r.batch.out / "clip(1).avi"), "theirs\n");
    EXPECT_EQ(qvtest::ReadFile(r.batch.out / "clip.avi.partial"), "a partial of the user's");
    EXPECT_FALSE(qvtest::FileExists(r.batch.out / "clip(1).avi.partial"));
}

TEST(EncoderRun, AKilledEncoderOrACancelRemovesOnlyTheJobsFiles) {
    {
        // Half a result is no result: it goes, and the next run gets its name.
        FakeRun r("printf 'Pos: 1.0s\\r'; echo half > \"$out\"; kill -9 $$");
        EXPECT_EQ(r.Go(), OutcomeFailed);
        EXPECT_FALSE(qvtest::FileExists(r.batch.out / "clip.avi"));
        EXPECT_FALSE(qvtest::FileExists(r.batch.out / "clip.avi.partial"));
    }
    {
        FakeRun r("echo theirs > \"${out%.partial}\"; echo half > \"$out\"; "
                  "printf 'Pos: 1.0s\\r'; sleep 60");
        r.batch.stop = true;
        EXPECT_EQ(r.Go(), OutcomeCancelled);
        EXPECT_EQ(qvtest::ReadFile(r.batch.out / "clip.avi"), "theirs\n");
        EXPECT_FALSE(qvtest::FileExists(r.batch.out / "clip.avi.partial"));
    }
    {
        // A failure before anything was written leaves nothing behind.
        FakeRun r("exit 1");
        EXPECT_EQ(r.Go(), OutcomeFailed);
        EXPECT_FALSE(qvtest::FileExists(r.batch.out / "clip.avi.partial"));
    }
}

TEST(EncoderRun, AStopEndsASilentEncoderAndLongSilenceFailsTheJob) {
    qvtest::TempDir pids;
    const std::string script = "sleep 60 & echo $! > '" + pids / "child" + "'; sleep 60";
    {
        FakeRun r(script);
        r.batch.stop = true; // never an output to wait for
        EXPECT_EQ(r.Go(), OutcomeCancelled);
    }
    {
        FakeRun r(script);
        r.batch.settings.EncoderSilence = 1;
        EXPECT_EQ(r.Go(), OutcomeFailed);
        EXPECT_EQ(r.batch.failure, "the encoder printed nothing for 1 s");
        std::string child = qvtest::ReadFile(pids / "child");
        ASSERT_FALSE(child.empty());
        EXPECT_TRUE(qvtest::ProcessGone(std::stoi(child)));
    }
}

TEST(EncoderRun, AStrayQuoteInAProfileNeverSplitsThePathsAndIsRefused) {
    // The encoder records its arguments one a line.
    const std::string record = "tr '\\0' '\\n' < /proc/$$/cmdline > \"$out\"";
    FakeRun r(record + "; cp \"$out\" \"$out.args\"");
    r.batch.job.sourcePath = "/media/my \"odd\" clip.avi";
    SetFieldText(r.batch.profile.extraParams, "-vf-add \"scale");
    EXPECT_EQ(r.Go(), OutcomeFailed);
    EXPECT_EQ(r.batch.failure.rfind("the profile's settings hold an unmatched quote", 0), 0u)
        << r.batch.failure;
    EXPECT_FALSE(qvtest::FileExists(r.batch.out / "clip.avi.partial.args"));

    // Balanced profile text stays in its place; the paths arrive whole.
    FakeRun ok(record);
    ok.batch.job.sourcePath = "/media/my \"odd\" clip.avi";
    SetFieldText(ok.batch.profile.extraParams, "-noskip \"-sws 2\"");
    EXPECT_EQ(ok.Go(), OutcomeSucceeded) << ok.batch.failure;
    const std::string args = qvtest::ReadFile(ok.batch.out / "clip.avi");
    EXPECT_NE(args.find("\n-noskip\n-sws 2\n"), std::string::npos) << args;
    EXPECT_NE(args.find("\n/media/my \"odd\" clip.avi\n-o\n" + ok.batch.out / "clip.avi.partial\n"),
              std::string::npos)
        << args;
}

TEST(EncoderRun, PositionsAreNumbersWithinBoundsWhateverTheEncoderPrints) {
    // A wild position must still make a percentage: no NaN, no infinity.
    EXPECT_FLOAT_EQ(PositionSeconds("  12.5s (25%)"), 12.5f);
    for (const char* wild : {"nans", "infs", "-3.0s", "xs"})
        EXPECT_FLOAT_EQ(PositionSeconds(wild), 0.0f) << wild;
    EXPECT_FLOAT_EQ(PositionSeconds("1e30s"), 360000.0f);
    std::string reason;
    EXPECT_TRUE(ChunkGiveUp("Pos: 1.0s\r退出.. disk full\nmore", &reason));
    EXPECT_EQ(reason, "disk full");
    EXPECT_TRUE(ChunkGiveUp("退出..", &reason));
    EXPECT_EQ(reason, "");
}
