#include "BatchRunner.h"

#include "EncoderRun.h"
#include "platform/UserServices.h"

namespace qv {

// What the running job's worker sees of the batch. Its reports go to the
// runner's thread as posted calls.
class BatchRunner::Worker : public JobBatch {
public:
    explicit Worker(BatchRunner& runner) : runner_(runner) {}

    CMediaRecord& CurrentJob() override { return runner_.batch_.jobs.at(runner_.current_); }
    const ProfileRecord& Profile() const override { return runner_.batch_.profile; }
    const EngineSettings& Settings() const override { return runner_.batch_.settings; }
    std::string OutputFolder() const override { return runner_.batch_.outputFolder; }
    std::string ToolFolder() const override { return runner_.batch_.toolFolder; }
    bool StopRequested() const override { return runner_.StopRequested(); }
    void Report(const StageReport& report) override {
        StageReport r = report;
        r.job = static_cast<int>(runner_.current_) + 1;
        r.jobs = runner_.JobCount();
        BatchRunner* runner = &runner_;
        runner_.Post([runner, alive = std::weak_ptr<int>(runner_.alive_), r] {
            if (!alive.expired())
                runner->Deliver(r);
        });
    }

private:
    BatchRunner& runner_;
};

BatchRunner::BatchRunner(BatchJobs batch, BatchObserver& observer, BatchOptions options)
    : batch_(std::move(batch)), observer_(observer), options_(std::move(options)),
      workerBatch_(std::make_unique<Worker>(*this)) {}

BatchRunner::~BatchRunner() {
    stop_ = true;
    if (worker_.joinable())
        worker_.join(); // the job has removed its files
}

bool BatchRunner::StopRequested() const {
    return stop_ || (options_.stopFlag && options_.stopFlag->load());
}

void BatchRunner::Post(std::function<void()> call) {
    if (options_.post) {
        options_.post(std::move(call));
        return;
    }
    {
        std::lock_guard lock(queueMutex_);
        queue_.push_back(std::move(call));
    }
    queueReady_.notify_one();
}

void BatchRunner::Start() {
    if (started_)
        return;
    started_ = true;
    if (options_.keepAwake)
        inhibitor_ = options_.keepAwake();
    if (batch_.jobs.empty() || StopRequested()) {
        // Nothing to run, or stopped before the first job: observed as every
        // other stage, later, through the owner's queue.
        const JobOutcome outcome = batch_.jobs.empty() ? OutcomeSucceeded : OutcomeCancelled;
        Post([this, alive = std::weak_ptr<int>(alive_), outcome] {
            if (!alive.expired())
                End(outcome);
        });
        return;
    }
    current_ = 0;
    StartJob();
}

void BatchRunner::Run() {
    Start();
    while (!ended_) {
        std::function<void()> call;
        {
            std::unique_lock lock(queueMutex_);
            queueReady_.wait(lock, [this] { return !queue_.empty(); });
            call = std::move(queue_.front());
            queue_.pop_front();
        }
        call();
    }
}

void BatchRunner::StartJob() {
    startedJobs_ = static_cast<int>(current_) + 1;
    worker_ = std::thread([this] { RunJob(*workerBatch_); });
}

void BatchRunner::Deliver(const StageReport& report) {
    std::weak_ptr<int> alive = alive_;
    observer_.OnStage(report);
    if (report.stage == Stage::JobDone && !alive.expired())
        JobEnded(report.outcome);
}

void BatchRunner::JobEnded(JobOutcome outcome) {
    if (worker_.joinable())
        worker_.join(); // it ends right after its last report
    if (outcome == OutcomeCancelled)
        return End(OutcomeCancelled);
    if (outcome == OutcomeFailed) {
        anyFailed_ = true;
        if (options_.afterFailure == AfterFailure::EndBatch)
            return End(OutcomeFailed);
    }
    if (current_ + 1 >= batch_.jobs.size())
        return End(anyFailed_ ? OutcomeFailed : OutcomeSucceeded);
    if (StopRequested())
        return End(OutcomeCancelled);
    ++current_;
    StartJob();
}

void BatchRunner::End(JobOutcome outcome) {
    ended_ = true;
    StageReport r;
    r.stage = Stage::BatchEnded;
    r.job = startedJobs_;
    r.jobs = JobCount();
    r.outcome = outcome;
    std::weak_ptr<int> alive = alive_;
    observer_.OnStage(r);
    if (!alive.expired())
        inhibitor_.reset(); // only once the end has been presented
}

} // namespace qv
