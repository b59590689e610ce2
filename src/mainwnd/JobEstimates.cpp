#include "JobEstimates.h"

#include "probe/MediaProbe.h"

#include <QMetaObject>

#include <algorithm>

namespace qv {

JobEstimates::JobEstimates(std::string toolFolder, QObject* parent)
    : QObject(parent), toolFolder_(std::move(toolFolder)), worker_([this] { Work(); }) {}

JobEstimates::~JobEstimates() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
        queue_.clear();
    }
    wake_.notify_all();
    worker_.join();
}

void JobEstimates::Want(const std::vector<const CMediaRecord*>& jobs, const ProfileRecord& profile,
                        const EngineSettings& settings) {
    std::lock_guard lock(mutex_);
    queue_.clear();
    wanted_.clear();
    for (const CMediaRecord* job : jobs) {
        if (!job || job->kind == KindDvdDisc)
            continue;
        std::string key = EstimateKey(*job, profile);
        wanted_.push_back(key);
        if (known_.count(key) || key == running_)
            continue;
        Pending p;
        p.key = std::move(key);
        p.request.job = *job;
        p.request.profile = profile;
        p.request.settings = settings;
        p.request.toolFolder = toolFolder_;
        // The window shows sizes; a rate profile needs no sample for them.
        p.request.wantTime = false;
        queue_.push_back(std::move(p));
    }
    wake_.notify_all();
}

std::optional<JobEstimates::Known> JobEstimates::Find(const CMediaRecord& job,
                                                      const ProfileRecord& profile) const {
    std::lock_guard lock(mutex_);
    auto it = known_.find(EstimateKey(job, profile));
    if (it == known_.end())
        return std::nullopt;
    return it->second;
}

bool JobEstimates::Busy() const {
    std::lock_guard lock(mutex_);
    return !queue_.empty() || !running_.empty();
}

SourceStreams JobEstimates::StreamsOf(const CMediaRecord& job) {
    SourceStreams s;
    ProbeResult probe;
    if (job.kind == KindFile && MediaInfoLibrary::Default().Read(job.sourcePath, probe)) {
        s.video = probe.videoStreams > 0;
        s.audio = probe.audioStreams > 0;
        s.seconds = probe.seconds;
    }
    return s;
}

void JobEstimates::Work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return quit_ || !queue_.empty(); });
        if (quit_)
            return;
        Pending p = std::move(queue_.front());
        queue_.pop_front();
        running_ = p.key;
        lock.unlock();

        p.request.streams = StreamsOf(p.request.job);
        const std::string key = p.key;
        p.request.cancelled = [this, key] {
            std::lock_guard guard(mutex_);
            return quit_ || std::find(wanted_.begin(), wanted_.end(), key) == wanted_.end();
        };
        const Result<JobEstimate> e = EstimateJob(p.request);

        lock.lock();
        running_.clear();
        const bool dropped = !e && e.Reason() == "cancelled";
        if (!dropped) {
            Known k;
            k.ok = e.Ok();
            if (e)
                k.estimate = *e;
            else
                k.reason = e.Reason();
            known_[key] = std::move(k);
            QMetaObject::invokeMethod(
                this, [this] { emit estimated(); }, Qt::QueuedConnection);
        } else if (std::find(wanted_.begin(), wanted_.end(), key) != wanted_.end() && !quit_) {
            // Wanted again while it was being ended: make it anew.
            queue_.push_front(std::move(p));
        }
    }
}

} // namespace qv
