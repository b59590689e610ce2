// The batch runner without any window: the order of its stages, stops,
// failures under both rules, the sleep lock, and a runner that goes while
// its batch runs.
#include "engine/BatchRunner.h"
#include "engine/ResultCheck.h"
#include "platform/UserServices.h"

#include "support/FakeTool.h"
#include "support/Process.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <unistd.h>
#include <vector>

using namespace qv;

namespace {

CMediaRecord Job(const std::string& name) {
    CMediaRecord job;
    job.kind = KindFile;
    job.sourcePath = "/media/" + name + ".mp4";
    job.baseName = name;
    job.fullLength = job.trimEnd = "00:01:40";
    job.trimStart = "00:00:00";
    job.frameRate = "25";
    return job;
}

// A stage as one line, for comparing whole sequences.
std::string Line(const StageReport& r) {
    const std::string at = std::to_string(r.job) + "/" + std::to_string(r.jobs) + " ";
    const char* outcome = r.outcome == OutcomeSucceeded   ? "ok"
                          : r.outcome == OutcomeCancelled ? "stopped"
                                                          : "failed";
    switch (r.stage) {
    case Stage::Preparing: return at + "preparing " + r.source;
    case Stage::Converting: return at + "converting " + r.output;
    case Stage::Progress: return at + "progress " + std::to_string(r.percent);
    case Stage::Failed: return at + "failed " + r.source + ": " + r.reason;
    case Stage::JobDone: return at + "done " + outcome;
    case Stage::BatchEnded: return at + "end " + outcome;
    }
    return "";
}

struct Inhibitor : SleepInhibitor {
    explicit Inhibitor(bool& held) : held_(held) { held_ = true; }
    ~Inhibitor() override { held_ = false; }
    bool& held_;
};

class Recorder : public BatchObserver {
public:
    void OnStage(const StageReport& r) override {
        lines.push_back(Line(r));
        if (r.stage == Stage::BatchEnded)
            heldAtEnd = held;
        if (onStage)
            onStage(r);
    }
    std::vector<std::string> lines;
    std::function<void(const StageReport&)> onStage;
    bool held = false;      // the sleep lock
    bool heldAtEnd = false; // while the end was observed
};

class BatchRunnerTest : public ::testing::Test {
protected:
    BatchRunnerTest() {
        // The tests are about the sequence, not the media: any non-empty
        // file passes for a result of the job's span.
        SetMediaReader([](const std::string& path, MediaFacts& f) {
            if (!qvtest::FileExists(path))
                return false;
            f.seconds = 100;
            f.videoStreams = f.audioStreams = 1;
            return true;
        });
    }
    ~BatchRunnerTest() override { SetMediaReader(nullptr); }

    BatchJobs Jobs(const qvtest::FakeProgramFolder& tools, std::vector<std::string> names) {
        BatchJobs b;
        for (const std::string& name : names)
            b.jobs.push_back(Job(name));
        SetFieldText(b.profile.name, "Test");
        SetFieldText(b.profile.outputFormat, "avi");
        SetFieldText(b.profile.frameRate, "Auto");
        b.profile.width = b.profile.height = -1;
        b.outputFolder = out.path();
        b.toolFolder = tools.Folder();
        return b;
    }
    BatchOptions Options(AfterFailure rule = AfterFailure::EndBatch) {
        BatchOptions o;
        o.afterFailure = rule;
        o.keepAwake = [this] { return std::make_unique<Inhibitor>(seen.held); };
        return o;
    }
    // Each run of the encoder leaves "<name>.ran" beside the results.
    static std::string Script(const std::string& body) {
        return "name=$(basename \"${out%.avi.partial}\"); touch \"$(dirname "
               "\"$out\")/$name.ran\"\n" +
               body;
    }

    qvtest::TempDir out;
    Recorder seen;
};

} // namespace

TEST_F(BatchRunnerTest, TwoJobsReportEveryStageInOrderAndHoldTheSleepLockToTheEnd) {
    qvtest::FakeProgramFolder tools(
        Script("for i in 1 2 3 4 5; do printf 'Pos: %d0.0s\\r' $i; sleep 0.05; done; "
               "echo x > \"$out\""));
    BatchRunner runner(Jobs(tools, {"a", "b"}), seen, Options());
    runner.Run();
    EXPECT_EQ(seen.lines, (std::vector<std::string>{
                              "1/2 preparing a.mp4", "1/2 converting a.avi", "1/2 progress 50",
                              "1/2 done ok", "2/2 preparing b.mp4", "2/2 converting b.avi",
                              "2/2 progress 50", "2/2 done ok", "2/2 end ok"}));
    EXPECT_TRUE(seen.heldAtEnd);
    EXPECT_FALSE(seen.held);
    EXPECT_TRUE(runner.Ended());
    EXPECT_EQ(qvtest::ReadFile(out / "a.avi"), "x\n");
    EXPECT_EQ(qvtest::ReadFile(out / "b.avi"), "x\n");
}

TEST_F(BatchRunnerTest, AStopMidJobRemovesOnlyThatJobsFilesAndRunsNoFurtherJob) {
    qvtest::TempDir pids;
    qvtest::FakeProgramFolder tools(
        Script("case $name in b*) echo half > \"$out\"; sleep 60 & echo $! > '" + pids / "child" +
               "'; printf 'Pos: 1.0s\\r'; sleep 60;; esac\necho x > \"$out\""));
    qvtest::WriteFile(out / "b.avi", "the user's"); // the job's name is taken: it writes b(1).avi
    BatchRunner runner(Jobs(tools, {"a", "b", "c"}), seen, Options());
    seen.onStage = [&runner](const StageReport& r) {
        if (r.stage == Stage::Converting && r.job == 2)
            runner.RequestStop();
    };
    runner.Run();
    EXPECT_EQ(seen.lines, (std::vector<std::string>{
                              "1/3 preparing a.mp4", "1/3 done ok", "2/3 preparing b.mp4",
                              "2/3 converting b(1).avi", "2/3 done stopped", "2/3 end stopped"}));
    EXPECT_EQ(qvtest::ReadFile(out / "a.avi"), "x\n");
    EXPECT_EQ(qvtest::ReadFile(out / "b.avi"), "the user's");
    EXPECT_FALSE(qvtest::FileExists(out / "b(1).avi.partial"));
    EXPECT_FALSE(qvtest::FileExists(out / "b(1).avi"));
    EXPECT_FALSE(qvtest::FileExists(out / "c.ran")) << "no job after a stop";
    std::string child = qvtest::ReadFile(pids / "child");
    ASSERT_FALSE(child.empty());
    EXPECT_TRUE(qvtest::ProcessGone(std::stoi(child)));
    EXPECT_FALSE(seen.held);

    // A stop asked before the batch starts runs no job at all.
    Recorder early;
    BatchRunner stopped(Jobs(tools, {"d"}), early);
    stopped.RequestStop();
    stopped.Run();
    EXPECT_EQ(early.lines, std::vector<std::string>{"0/1 end stopped"});
    EXPECT_FALSE(qvtest::FileExists(out / "d.ran"));
}

TEST_F(BatchRunnerTest, AFailureEndsTheWindowsBatchAndTheCommandLineGoesOn) {
    qvtest::FakeProgramFolder tools(Script(
        "case $name in b*) echo part > \"$out\"; printf 'Pos: 1.0s\\r退出.. broken\\n'; exit 1;; "
        "esac\necho x > \"$out\""));
    {
        BatchRunner runner(Jobs(tools, {"a", "b", "c"}), seen, Options(AfterFailure::EndBatch));
        runner.Run();
        EXPECT_EQ(seen.lines,
                  (std::vector<std::string>{"1/3 preparing a.mp4", "1/3 done ok",
                                            "2/3 preparing b.mp4", "2/3 converting b.avi",
                                            "2/3 failed b.mp4: the encoder gave up: broken",
                                            "2/3 done failed", "2/3 end failed"}));
        EXPECT_FALSE(qvtest::FileExists(out / "c.ran"));
        // Its half-written file goes: the next run of b gets the same name.
        EXPECT_FALSE(qvtest::FileExists(out / "b.avi.partial"));
    }
    Recorder cli;
    BatchRunner runner(Jobs(tools, {"d", "b", "e"}), cli, Options(AfterFailure::NextJob));
    runner.Run();
    EXPECT_EQ(cli.lines, (std::vector<std::string>{"1/3 preparing d.mp4", "1/3 done ok",
                                                   "2/3 preparing b.mp4", "2/3 converting b.avi",
                                                   "2/3 failed b.mp4: the encoder gave up: broken",
                                                   "2/3 done failed", "3/3 preparing e.mp4",
                                                   "3/3 done ok", "3/3 end failed"}));
    EXPECT_EQ(qvtest::ReadFile(out / "e.avi"), "x\n");
}

TEST_F(BatchRunnerTest, StagesComeOnlyThroughThePostAndARunnerThatGoesStopsItsJob) {
    qvtest::FakeProgramFolder tools(
        Script("echo half > \"$out\"; printf 'Pos: 1.0s\\r'; sleep 60; echo x > \"$out\""));
    std::deque<std::function<void()>> queue; // the owner's event loop
    BatchOptions options = Options();
    options.post = [&queue](std::function<void()> call) { queue.push_back(std::move(call)); };
    auto runner = std::make_unique<BatchRunner>(Jobs(tools, {"a", "b"}), seen, options);
    runner->Start();
    EXPECT_TRUE(seen.lines.empty()) << "nothing is observed inside Start";
    EXPECT_TRUE(seen.held);
    // Serve the queue until the encoder runs.
    for (int waited = 0; seen.lines.size() < 2 && waited < 10000; waited += 10) {
        while (!queue.empty()) {
            auto call = std::move(queue.front());
            queue.pop_front();
            call();
        }
        ::usleep(10000);
    }
    ASSERT_EQ(seen.lines,
              (std::vector<std::string>{"1/2 preparing a.mp4", "1/2 converting a.avi"}));
    EXPECT_TRUE(runner->Running());
    runner.reset(); // the window goes mid-batch
    EXPECT_FALSE(seen.held);
    EXPECT_FALSE(qvtest::FileExists(out / "a.avi.partial"));
    EXPECT_FALSE(qvtest::FileExists(out / "a.avi"));
    // What was still queued, the job's end among it, finds the runner gone.
    EXPECT_FALSE(queue.empty());
    for (auto& call : queue)
        call();
    EXPECT_EQ(seen.lines.size(), 2u);
    EXPECT_FALSE(qvtest::FileExists(out / "b.ran"));
}
