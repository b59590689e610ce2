#pragma once

#include "MediaProbe.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace qv {

// Probes a list of files on several worker threads (one per core unless told
// otherwise) and hands the results back in the list's order, each as soon as
// it and every file before it are done. Each worker reads with its own
// library handle. Destroying the queue stops the workers after the file each
// is reading and waits for them.
class ProbeQueue {
public:
    struct Result {
        bool ok = false; // false: the file has no length (unreadable, unknown)
        ProbeResult probe;
    };

    explicit ProbeQueue(std::vector<std::string> paths, unsigned workers = 0,
                        MediaInfoLibrary& library = MediaInfoLibrary::Default());
    ~ProbeQueue();
    ProbeQueue(const ProbeQueue&) = delete;
    ProbeQueue& operator=(const ProbeQueue&) = delete;

    // The workers a queue of that many files starts: one per core, at least
    // one, never more than files.
    static unsigned WorkersFor(size_t files, unsigned cores);
    unsigned Workers() const { return static_cast<unsigned>(threads_.size()); }

    // Appends the results ready in order since the last call; the count of
    // results handed out so far.
    size_t TakeReady(std::vector<Result>& out);
    // Whether every file has been read (the results may not all be taken).
    bool AllRead();
    // Blocks until the next result in order is ready or ms have passed.
    void WaitNext(int ms);
    size_t Size() const { return paths_.size(); }
    // Stops handing files to the workers; those reading finish their file.
    void Cancel() { cancel_ = true; }

private:
    void Work();

    const std::vector<std::string> paths_;
    MediaInfoLibrary& library_;
    std::mutex mutex_;
    std::condition_variable ready_;
    std::vector<std::optional<Result>> results_;
    size_t taken_ = 0, read_ = 0;
    std::atomic<size_t> next_{0};
    std::atomic<bool> cancel_{false};
    std::vector<std::thread> threads_;
};

} // namespace qv
