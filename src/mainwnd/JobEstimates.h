#pragma once

#include "engine/Estimate.h"

#include <QObject>

#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace qv {

// The main window's estimates of its ticked jobs for the chosen profile, made
// one at a time on a worker thread of their own and kept per source, span and
// profile. Asking for other jobs or another profile drops the queue, and a
// sample that is no longer wanted is ended (its files go with it).
class JobEstimates : public QObject {
    Q_OBJECT
public:
    explicit JobEstimates(std::string toolFolder, QObject* parent = nullptr);
    // Ends a running sample and waits for the worker.
    ~JobEstimates() override;

    // The jobs wanted now: those already known stay, the others are queued
    // in the order given; everything else is dropped. Interface thread.
    void Want(const std::vector<const CMediaRecord*>& jobs, const ProfileRecord& profile,
              const EngineSettings& settings);

    struct Known {
        bool ok = false;
        JobEstimate estimate;
        std::string reason; // without an estimate: why
    };
    // What is known of a job with a profile; nothing while it is pending.
    std::optional<Known> Find(const CMediaRecord& job, const ProfileRecord& profile) const;
    // Whether estimates are still being made.
    bool Busy() const;

signals:
    // An estimate has come (on the interface thread).
    void estimated();

private:
    struct Pending {
        std::string key;
        EstimateRequest request;
    };
    void Work();
    static SourceStreams StreamsOf(const CMediaRecord& job);

    std::string toolFolder_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Pending> queue_;
    std::string running_; // the key of the estimate being made
    std::vector<std::string> wanted_;
    std::map<std::string, Known> known_;
    bool quit_ = false;
    std::thread worker_;
};

} // namespace qv
