#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

namespace qv {

// Takes log entries from any thread and writes them on a thread of its own,
// so a caller never waits for the disk. Each entry is written with a single
// write() in append mode, so entries never interleave, also between processes.
class LogWriter {
public:
    explicit LogWriter(std::string folder);
    ~LogWriter();

    void Write(std::string_view text);
    // Writes what waits and ends the thread; later entries are written directly.
    void Shutdown();
    // Waits until every entry taken so far has been handed to the file.
    void Flush();

    // "YYYY-MM-DD HH:MM:SS.mmm text", continuation lines indented, one line end.
    static std::string FormatEntry(std::chrono::system_clock::time_point when,
                                   std::string_view text);
    static constexpr int kKeepDays = 30;
    static constexpr size_t kMaxQueuedBytes = 16u << 20;

private:
    struct Entry {
        std::chrono::system_clock::time_point when;
        std::string text;
    };
    void Run();
    void WriteBatch(std::deque<Entry>& batch, size_t dropped);
    bool OpenDay(const std::string& day);
    void RemoveOldLogs(const std::string& today);

    std::string folder_;
    std::mutex mutex_;
    std::condition_variable wake_, idle_;
    std::deque<Entry> queue_;
    size_t queuedBytes_ = 0;
    size_t dropped_ = 0;
    bool stopping_ = false;
    bool busy_ = false;
    bool direct_ = false;
    std::mutex fileMutex_;
    std::string openDay_;
    int fd_ = -1;
    std::thread thread_;
};

} // namespace qv
