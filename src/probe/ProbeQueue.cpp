#include "ProbeQueue.h"

#include <algorithm>
#include <chrono>

namespace qv {

unsigned ProbeQueue::WorkersFor(size_t files, unsigned cores) {
    return static_cast<unsigned>(std::min<size_t>(files, std::max(1u, cores)));
}

ProbeQueue::ProbeQueue(std::vector<std::string> paths, unsigned workers, MediaInfoLibrary& library)
    : paths_(std::move(paths)), library_(library), results_(paths_.size()) {
    const unsigned n =
        WorkersFor(paths_.size(), workers ? workers : std::thread::hardware_concurrency());
    threads_.reserve(n);
    for (unsigned i = 0; i < n; ++i)
        threads_.emplace_back([this] { Work(); });
}

ProbeQueue::~ProbeQueue() {
    cancel_ = true;
    for (std::thread& t : threads_)
        t.join();
}

// Each worker takes the next file not yet taken, so the files are read
// roughly in order and the first results come early.
void ProbeQueue::Work() {
    while (!cancel_) {
        const size_t i = next_++;
        if (i >= paths_.size())
            return;
        Result r;
        r.ok = library_.Read(paths_[i], r.probe);
        std::lock_guard lock(mutex_);
        results_[i] = std::move(r);
        ++read_;
        if (i == taken_)
            ready_.notify_all();
    }
}

size_t ProbeQueue::TakeReady(std::vector<Result>& out) {
    std::lock_guard lock(mutex_);
    while (taken_ < results_.size() && results_[taken_]) {
        out.push_back(std::move(*results_[taken_]));
        results_[taken_].reset();
        ++taken_;
    }
    return taken_;
}

bool ProbeQueue::AllRead() {
    std::lock_guard lock(mutex_);
    return read_ == results_.size();
}

void ProbeQueue::WaitNext(int ms) {
    std::unique_lock lock(mutex_);
    ready_.wait_for(lock, std::chrono::milliseconds(ms),
                    [this] { return taken_ >= results_.size() || results_[taken_].has_value(); });
}

} // namespace qv
