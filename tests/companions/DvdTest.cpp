#include "CompanionTest.h"

#include "CompanionMessages.h"
#include "TitleSearchRequest.h"
#include "support/TempDir.h"

#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <vector>

using qvtest::Library;

namespace {

using ReadFn = int (*)(char*, void*);
using SearchFn = void (*)(void*);
using ProcFn = int64_t (*)(void*, int32_t, int64_t, int64_t);
using RegisterFn = int32_t (*)(ProcFn, void*);
using UnregisterFn = void (*)(int32_t);

// The block with guard bytes on both sides, filled as a caller fills it.
struct GuardedBlock {
    std::vector<unsigned char> bytes = std::vector<unsigned char>(1063400 + 2 * 4096, 0xA5);
    GuardedBlock() { std::memset(Block(), 0, 1063400); }
    unsigned char* Block() { return bytes.data() + 4096; }
    int32_t Int(size_t offset) {
        int32_t v;
        std::memcpy(&v, Block() + offset, 4);
        return v;
    }
    std::string Text(size_t offset, size_t size) {
        const char* p = reinterpret_cast<const char*>(Block() + offset);
        EXPECT_NE(std::memchr(p, 0, size), nullptr);
        return p;
    }
    size_t Title(int t) { return 140 + static_cast<size_t>(t - 1) * 10740; }
    bool GuardsIntact() {
        for (size_t i = 0; i < 4096; ++i)
            if (bytes[i] != 0xA5 || bytes[bytes.size() - 1 - i] != 0xA5)
                return false;
        return true;
    }
};

int Read(const std::string& path, GuardedBlock& b) {
    static ReadFn read = Library("libDranvel.so").Symbol<ReadFn>("ReadDvdStructure");
    std::string buffer = path;
    return read(buffer.data(), b.Block());
}

struct Reports {
    std::mutex mutex;
    std::vector<std::pair<int64_t, int64_t>> got;
    static int64_t Proc(void* self, int32_t message, int64_t w, int64_t l) {
        auto* r = static_cast<Reports*>(self);
        std::lock_guard lock(r->mutex);
        if (message == qv::WM_TITLE_SEARCH_REPORT)
            r->got.emplace_back(w, l);
        return 0;
    }
    std::vector<int64_t> Titles() {
        std::vector<int64_t> t;
        for (auto& [w, l] : got)
            if (w == 1)
                t.push_back(l);
        return t;
    }
};

std::vector<int64_t> Search(const std::string& path, int mainTitle, int64_t* lastProgress) {
    static Library windows("libQvWindows.so");
    static SearchFn search = Library("libOsprel.so").Symbol<SearchFn>("FindValidTitles");
    Reports reports;
    int32_t handle = windows.Symbol<RegisterFn>("QvRegisterWindow")(&Reports::Proc, &reports);
    auto request = std::make_unique<qv::TitleSearchRequest>();
    std::memset(request.get(), 0, sizeof *request);
    std::strncpy(request->path, path.c_str(), sizeof request->path - 1);
    request->mainTitle = mainTitle;
    request->minimumSeconds = 60;
    request->window = handle;
    search(request.get());
    windows.Symbol<UnregisterFn>("QvUnregisterWindow")(handle);
    *lastProgress = -1;
    for (auto& [w, l] : reports.got)
        if (w == 2)
            *lastProgress = l;
    return reports.Titles();
}

} // namespace

TEST(Dranvel, FillsTheBlockAtItsOffsetsAndNowhereElse) {
    GuardedBlock b;
    ASSERT_EQ(Read(qvtest::MediaDir() + "dvd/VIDEO_TS/", b), 0);
    EXPECT_TRUE(b.GuardsIntact());
    EXPECT_EQ(b.Int(128), 2);
    EXPECT_EQ(b.Text(64, 64), "720x576");
    const size_t t1 = b.Title(1);
    EXPECT_EQ(b.Int(t1 + 0), 0); // subtitles
    ASSERT_EQ(b.Int(t1 + 4), 2); // audio entries
    EXPECT_EQ(b.Text(t1 + 2192, 64), "English");
    EXPECT_EQ(b.Text(t1 + 2192 + 64, 196), "AC3 2ch 48000Hz");
    EXPECT_EQ(b.Int(t1 + 2192 + 260), 128);
    EXPECT_EQ(b.Text(t1 + 2192 + 264, 64), "Chinese");
    EXPECT_EQ(b.Text(t1 + 2192 + 264 + 64, 196), "AC3 1ch 48000Hz");
    EXPECT_EQ(b.Int(t1 + 2192 + 264 + 260), 129);
    EXPECT_EQ(b.Text(t1 + 10640, 64), "00:00:05");
    EXPECT_EQ(b.Text(t1 + 10704, 32), "25");
    EXPECT_EQ(b.Int(t1 + 10736), 0); // the selection is the scan dialog's
    EXPECT_EQ(b.Text(b.Title(2) + 10640, 64), "00:00:02");

    GuardedBlock folder; // the folder above VIDEO_TS reads the same
    ASSERT_EQ(Read(qvtest::MediaDir() + "dvd", folder), 0);
    EXPECT_EQ(folder.Int(128), 2);
}

TEST(Dranvel, NamesEachStreamAsThePlayerAndTheEncoderSelectIt) {
    // Title 1: AC-3, MPEG and LPCM stream 0 each, subpicture streams 0 and 1;
    // title 2 uses only subpicture stream 1.
    GuardedBlock b;
    ASSERT_EQ(Read(qvtest::MediaDir() + "dvdmix", b), 0);
    ASSERT_EQ(b.Int(128), 2);
    const size_t t1 = b.Title(1), audio = t1 + 2192, subtitles = t1 + 16;
    ASSERT_EQ(b.Int(t1 + 4), 3);
    const std::pair<const char*, int> expected[] = {{"AC3", 128}, {"MPEG", 0}, {"LPCM", 160}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(b.Text(audio + i * 264 + 64, 196).substr(0, std::strlen(expected[i].first)),
                  expected[i].first);
        EXPECT_EQ(b.Int(audio + i * 264 + 260), expected[i].second) << expected[i].first;
    }
    ASSERT_EQ(b.Int(t1), 2);
    EXPECT_EQ(b.Text(subtitles, 64), "English");
    EXPECT_EQ(b.Int(subtitles + 64), 0);
    EXPECT_EQ(b.Int(subtitles + 68 + 64), 1);
    const size_t t2 = b.Title(2);
    ASSERT_EQ(b.Int(t2), 1);
    EXPECT_EQ(b.Int(t2 + 16 + 64), 1); // the title's only subtitle is stream 1
}

TEST(Dranvel, AnUnreadableDiscIsAnErrorAndLeavesTheBlockAlone) {
    GuardedBlock b;
    EXPECT_NE(Read("/no/such/disc/VIDEO_TS/", b), 0);
    qvtest::TempDir broken;
    ::mkdir((broken / "VIDEO_TS").c_str(), 0755);
    qvtest::WriteFile(broken / "VIDEO_TS/VIDEO_TS.IFO", std::string(4096, '\x7f'));
    EXPECT_NE(Read(broken / "VIDEO_TS/", b), 0);
    EXPECT_EQ(b.Int(128), 0);
    EXPECT_TRUE(b.GuardsIntact());
}

TEST(Osprel, ReportsTitlesOfAMinuteOrMoreAndTheMainTitleRule) {
    int64_t progress = 0;
    EXPECT_EQ(Search(qvtest::MediaDir() + "dvdlong/VIDEO_TS/", 0, &progress),
              (std::vector<int64_t>{1, 3}));
    EXPECT_EQ(progress, 100);
    EXPECT_EQ(Search(qvtest::MediaDir() + "dvdlong/VIDEO_TS/", 1, &progress),
              (std::vector<int64_t>{1}));
    EXPECT_TRUE(Search(qvtest::MediaDir() + "dvd/VIDEO_TS/", 0, &progress).empty()); // all short
    EXPECT_TRUE(Search("/no/such/disc", 0, &progress).empty());
    EXPECT_EQ(progress, 100);
}

TEST(Osprel, TheProgressMovesWhileTheSurveyWorks) {
    // The second title set's video file is a FIFO nobody writes: the survey
    // hangs there, after the first title set, as on a drive that stalls.
    qvtest::TempDir disc;
    ::mkdir((disc / "VIDEO_TS").c_str(), 0755);
    const std::string from = qvtest::MediaDir() + "dvdsets/VIDEO_TS/";
    for (const char* name : {"VIDEO_TS.IFO", "VIDEO_TS.BUP", "VTS_01_0.IFO", "VTS_01_0.BUP",
                             "VTS_01_1.VOB", "VTS_02_0.IFO", "VTS_02_0.BUP"})
        ASSERT_EQ(::symlink((from + name).c_str(), (disc / "VIDEO_TS/" + name).c_str()), 0);
    ASSERT_EQ(::mkfifo((disc / "VIDEO_TS/VTS_02_1.VOB").c_str(), 0644), 0);

    static Library windows("libQvWindows.so");
    static SearchFn search = Library("libOsprel.so").Symbol<SearchFn>("FindValidTitles");
    Reports reports;
    const int32_t handle = windows.Symbol<RegisterFn>("QvRegisterWindow")(&Reports::Proc, &reports);
    auto request = std::make_unique<qv::TitleSearchRequest>();
    std::memset(request.get(), 0, sizeof *request);
    std::strncpy(request->path, (disc / "VIDEO_TS/").c_str(), sizeof request->path - 1);
    request->minimumSeconds = 1;
    request->window = handle;
    std::thread worker([&] { search(request.get()); });
    auto halfway = [&] {
        std::lock_guard lock(reports.mutex);
        for (auto& [w, l] : reports.got)
            if (w == 2 && l == 50)
                return true;
        return false;
    };
    for (int i = 0; i < 3000 && !halfway(); ++i) // gives up after a minute
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_TRUE(halfway()) << "no progress while the survey works";
    qv::RequestCancel(request->cancel);
    worker.join();
    windows.Symbol<UnregisterFn>("QvUnregisterWindow")(handle);
    std::lock_guard lock(reports.mutex);
    EXPECT_TRUE(reports.Titles().empty()); // a cancelled search names no title
}
