#include "LogWriter.h"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qv {

namespace {

std::tm LocalTime(std::chrono::system_clock::time_point when) {
    std::time_t t = std::chrono::system_clock::to_time_t(when);
    std::tm tm{};
    ::localtime_r(&t, &tm);
    return tm;
}

std::string DayText(const std::tm& tm) {
    char day[48];
    std::snprintf(day, sizeof day, "%04d-%02d-%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
    return day;
}

bool WriteAll(int fd, const std::string& data) {
    size_t done = 0;
    while (done < data.size()) {
        ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

} // namespace

LogWriter::LogWriter(std::string folder) : folder_(std::move(folder)) {
    while (folder_.size() > 1 && folder_.back() == '/')
        folder_.pop_back();
    thread_ = std::thread([this] { Run(); });
}

LogWriter::~LogWriter() {
    Shutdown();
    if (fd_ >= 0)
        ::close(fd_);
}

std::string LogWriter::FormatEntry(std::chrono::system_clock::time_point when,
                                   std::string_view text) {
    std::tm tm = LocalTime(when);
    auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch()).count() %
        1000;
    char stamp[40];
    std::snprintf(stamp, sizeof stamp, "%s %02d:%02d:%02d.%03d  ", DayText(tm).c_str(), tm.tm_hour,
                  tm.tm_min, tm.tm_sec, static_cast<int>(ms));
    // Line ends at the end of the text belong to the caller's style, not to
    // the entry; line breaks inside it become indented continuation lines.
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.remove_suffix(1);
    std::string out = stamp;
    for (char c : text) {
        if (c == '\r')
            continue;
        out += c;
        if (c == '\n')
            out += "    ";
    }
    out += '\n';
    return out;
}

void LogWriter::Write(std::string_view text) {
    Entry e{std::chrono::system_clock::now(), std::string(text)};
    std::unique_lock lock(mutex_);
    if (direct_) {
        lock.unlock();
        std::deque<Entry> one;
        one.push_back(std::move(e));
        WriteBatch(one, 0);
        return;
    }
    if (queuedBytes_ + e.text.size() > kMaxQueuedBytes) {
        ++dropped_; // the disk cannot keep up: lose the entry, not the caller's time
        return;
    }
    queuedBytes_ += e.text.size();
    queue_.push_back(std::move(e));
    lock.unlock();
    wake_.notify_one();
}

void LogWriter::Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (queue_.empty() && stopping_)
            break;
        std::deque<Entry> batch;
        batch.swap(queue_);
        size_t dropped = dropped_;
        dropped_ = 0;
        queuedBytes_ = 0;
        busy_ = true;
        lock.unlock();
        WriteBatch(batch, dropped);
        lock.lock();
        busy_ = false;
        idle_.notify_all();
    }
}

void LogWriter::Flush() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return direct_ || (queue_.empty() && !busy_); });
}

void LogWriter::Shutdown() {
    {
        std::lock_guard lock(mutex_);
        if (direct_)
            return;
        stopping_ = true;
    }
    wake_.notify_one();
    if (thread_.joinable())
        thread_.join();
    std::lock_guard lock(mutex_);
    direct_ = true;
    idle_.notify_all();
}

bool LogWriter::OpenDay(const std::string& day) {
    if (day == openDay_ && fd_ >= 0)
        return true;
    if (fd_ >= 0)
        ::close(fd_);
    ::mkdir(folder_.c_str(), 0755);
    std::string path = folder_ + "/" + day + ".log";
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    openDay_ = fd_ >= 0 ? day : std::string();
    if (fd_ >= 0)
        RemoveOldLogs(day);
    return fd_ >= 0;
}

void LogWriter::WriteBatch(std::deque<Entry>& batch, size_t dropped) {
    if (dropped > 0 && !batch.empty())
        batch.push_front(
            Entry{batch.front().when, std::to_string(dropped) + " log entries were dropped"});
    std::lock_guard fileLock(fileMutex_);
    // Entries of one day go out in one write in append mode; whole entries
    // never interleave with those of another writer of the same file.
    std::string buffer, day;
    auto flush = [&] {
        // A log that cannot be written loses its entries silently.
        if (!buffer.empty() && OpenDay(day))
            WriteAll(fd_, buffer);
        buffer.clear();
    };
    for (const Entry& e : batch) {
        std::string entryDay = DayText(LocalTime(e.when));
        if (entryDay != day) {
            flush();
            day = entryDay;
        }
        buffer += FormatEntry(e.when, e.text);
    }
    flush();
}

void LogWriter::RemoveOldLogs(const std::string& today) {
    std::tm tm{};
    if (std::sscanf(today.c_str(), "%d-%d-%d", &tm.tm_year, &tm.tm_mon, &tm.tm_mday) != 3)
        return;
    tm.tm_year -= 1900;
    tm.tm_mon -= 1;
    tm.tm_mday -= kKeepDays;
    tm.tm_hour = 12;
    std::mktime(&tm);
    const std::string oldest = DayText(tm);
    DIR* dir = ::opendir(folder_.c_str());
    if (!dir)
        return;
    while (dirent* d = ::readdir(dir)) {
        std::string name = d->d_name;
        // Only files named as this service names them: "YYYY-MM-DD.log".
        if (name.size() != 14 || name.compare(10, 4, ".log") != 0 || name[4] != '-' ||
            name[7] != '-')
            continue;
        if (name.substr(0, 10) < oldest)
            ::unlink((folder_ + "/" + name).c_str());
    }
    ::closedir(dir);
}

} // namespace qv
