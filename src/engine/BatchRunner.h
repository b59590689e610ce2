#pragma once

// A batch of conversion jobs, run one after another, each on a worker thread
// of its own, with no window: it reports typed stages to an observer, and
// each program presents them in its own way (the progress window, the
// command-line converter).

#include "BatchStage.h"
#include "JobModel.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qv {

class SleepInhibitor;

class BatchObserver {
public:
    virtual ~BatchObserver() = default;
    // Each stage in order, on the runner's own thread (see PostCall).
    // It may ask for a stop, but must not destroy the runner.
    virtual void OnStage(const StageReport& report) = 0;
};

// What a failed job means for the rest of its batch: the window ends its
// batch, the command-line converter goes on with the next file.
enum class AfterFailure { EndBatch, NextJob };

// Hands a call to the thread that owns a runner, to be made there later (a
// queued call of its event loop). The runner is made, started, stopped and
// destroyed on that thread, and observed there.
using PostCall = std::function<void(std::function<void()>)>;

struct BatchOptions {
    AfterFailure afterFailure = AfterFailure::EndBatch;
    // Keeps the machine awake from Start until the batch has ended and its
    // BatchEnded has been observed. Empty, or null made: nothing is held.
    std::function<std::unique_ptr<SleepInhibitor>()> keepAwake;
    // Empty: Run() serves the runner's calls on the calling thread.
    PostCall post;
    // A stop asked elsewhere (a signal handler sets it), as RequestStop.
    const std::atomic<bool>* stopFlag = nullptr;
};

// What a batch converts. The jobs are the runner's own copies.
struct BatchJobs {
    std::vector<CMediaRecord> jobs;
    ProfileRecord profile{};
    EngineSettings settings;
    std::string outputFolder;
    std::string toolFolder; // the program folder, ending with "/"
};

class BatchRunner {
public:
    BatchRunner(BatchJobs batch, BatchObserver& observer, BatchOptions options = {});
    // A batch still running is stopped: the running job's files go and no
    // further job runs; nothing more is observed.
    ~BatchRunner();
    BatchRunner(const BatchRunner&) = delete;
    BatchRunner& operator=(const BatchRunner&) = delete;

    // Starts the first job and returns; the stages arrive through
    // BatchOptions::post.
    void Start();
    // Runs the whole batch on the calling thread, observed there (without
    // BatchOptions::post).
    void Run();
    // The running job stops at its encoder's next output or within 200 ms,
    // and no further job starts. Any thread.
    void RequestStop() { stop_ = true; }
    bool StopRequested() const;
    bool Running() const { return started_ && !ended_; }
    bool Ended() const { return ended_; }
    int JobCount() const { return static_cast<int>(batch_.jobs.size()); }

private:
    class Worker;
    void StartJob();
    void Deliver(const StageReport& report);
    void JobEnded(JobOutcome outcome);
    void End(JobOutcome outcome);
    void Post(std::function<void()> call);

    BatchJobs batch_;
    BatchObserver& observer_;
    BatchOptions options_;
    std::unique_ptr<Worker> workerBatch_;
    std::atomic<bool> stop_{false};
    bool started_ = false;
    bool ended_ = false;
    bool anyFailed_ = false;
    size_t current_ = 0; // the running job's index
    int startedJobs_ = 0;
    std::unique_ptr<SleepInhibitor> inhibitor_;
    std::thread worker_;
    // Calls for Run(), when there is no BatchOptions::post.
    std::mutex queueMutex_;
    std::condition_variable queueReady_;
    std::deque<std::function<void()>> queue_;
    // Posted calls made after the runner has gone find this expired.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

} // namespace qv
