#include "CompanionTest.h"

#include "quimbrel/LogWriter.h"
#include "support/TempDir.h"

#include <chrono>
#include <map>
#include <sstream>
#include <thread>
#include <vector>

using qvtest::Library;

namespace {

// Every log file of a folder, concatenated.
std::string AllLogs(const std::string& dir) {
    std::string all;
    for (int day = 0; day < 2; ++day) {
        std::time_t t = std::time(nullptr) - day * 86400;
        std::tm tm{};
        ::localtime_r(&t, &tm);
        char name[32];
        std::strftime(name, sizeof name, "/%Y-%m-%d.log", &tm);
        all = qvtest::ReadFile(dir + name) + all;
    }
    return all;
}

bool IsStamp(const std::string& line) {
    // "YYYY-MM-DD HH:MM:SS.mmm  "
    return line.size() >= 25 && line[4] == '-' && line[7] == '-' && line[10] == ' ' &&
           line[13] == ':' && line[16] == ':' && line[19] == '.' && line.compare(23, 2, "  ") == 0;
}

} // namespace

TEST(Quimbrel, EightThreadsLoseNoEntryAndNeverInterleave) {
    qvtest::TempDir dir;
    ::setenv("QUORVANE_LOG_DIR", dir.path().c_str(), 1);
    using WriteFn = void (*)(const char*);
    WriteFn write = Library("libQuimbrel.so").Symbol<WriteFn>("WriteLogLine");

    constexpr int kThreads = 8, kPerThread = 1250;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([=] {
            char buffer[128];
            for (int i = 0; i < kPerThread; ++i) {
                // Every third entry spans lines; the buffer is reused at once.
                std::snprintf(buffer, sizeof buffer,
                              i % 3 ? "t%d e%d" : "t%d e%d first\nsecond line\n", t, i);
                write(buffer);
            }
        });
    for (std::thread& th : threads)
        th.join();

    std::map<std::string, int> seen;
    std::string logs;
    for (int wait = 0; wait < 500 && seen.size() < kThreads * kPerThread; ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        logs = AllLogs(dir.path());
        seen.clear();
        std::istringstream in(logs);
        std::string line, pending;
        while (std::getline(in, line)) {
            if (line.rfind("    ", 0) == 0) {
                ASSERT_FALSE(pending.empty()) << "continuation without its entry";
                EXPECT_EQ(line, "    second line");
                EXPECT_NE(pending.find(" first"), std::string::npos);
                continue;
            }
            ASSERT_TRUE(IsStamp(line)) << line;
            pending = line.substr(25);
            ++seen[pending.substr(0, pending.find(" first"))];
        }
    }
    ASSERT_EQ(seen.size(), static_cast<size_t>(kThreads * kPerThread));
    for (const auto& [entry, count] : seen)
        EXPECT_EQ(count, 1) << entry;
}

TEST(Quimbrel, EntriesAreFormattedAsOneEntryEach) {
    auto when = std::chrono::system_clock::now();
    std::string e = qv::LogWriter::FormatEntry(when, "开始转换文件: [a]\r\n second\n\n");
    ASSERT_TRUE(IsStamp(e));
    EXPECT_EQ(e.substr(25), "开始转换文件: [a]\n     second\n");
    EXPECT_EQ(qv::LogWriter::FormatEntry(when, "").substr(23), "  \n");
}

TEST(Quimbrel, OldLogsGoAndAnUnwritableFolderCostsNothing) {
    qvtest::TempDir dir;
    qvtest::WriteFile(dir / "2000-01-01.log", "old");
    qvtest::WriteFile(dir / "notes.log", "not ours");
    std::time_t recent = std::time(nullptr) - 20 * 86400;
    std::tm tm{};
    ::localtime_r(&recent, &tm);
    char name[32];
    std::strftime(name, sizeof name, "%Y-%m-%d.log", &tm);
    qvtest::WriteFile(dir / name, "recent");
    {
        qv::LogWriter w(dir.path());
        w.Write("hello");
        w.Flush();
    }
    EXPECT_FALSE(qvtest::FileExists(dir / "2000-01-01.log"));
    EXPECT_TRUE(qvtest::FileExists(dir / "notes.log"));
    EXPECT_TRUE(qvtest::FileExists(dir / name));
    EXPECT_NE(AllLogs(dir.path()).find("hello"), std::string::npos);

    qv::LogWriter blocked("/proc/no/such/folder");
    for (int i = 0; i < 10000; ++i)
        blocked.Write("lost");
    blocked.Flush();
    blocked.Shutdown();
    blocked.Write("after shutdown, written directly");
    EXPECT_FALSE(qvtest::FileExists("/proc/no/such/folder"));
}
