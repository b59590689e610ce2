#include "CompanionTest.h"

#include "CompanionMessages.h"
#include "MainFeature.h"
#include "TitleSearchRequest.h"
#include "support/TempDir.h"

#include <chrono>
#include <cstring>
#include <map>
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

using TraitsByTitle = std::map<int, qv::TitleTraits>;

// The titles the search reports (wParam 1); traits, when given, gets what it
// said of each valid title (wParam 5).
std::vector<int64_t> Search(const std::string& path, int mainTitle, int64_t* lastProgress,
                            TraitsByTitle* traits = nullptr) {
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
    for (auto& [w, l] : reports.got) {
        if (w == 2)
            *lastProgress = l;
        int title = 0;
        if (w == 5 && traits) {
            const qv::TitleTraits t = qv::UnpackTraits(l, &title);
            EXPECT_FALSE(traits->count(title)) << "title " << title << " twice";
            (*traits)[title] = t;
        }
    }
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

TEST(Osprel, TheMainFeatureIsTheTitleWhoseCellsPlayInOrderNotTheLongestDecoy) {
    // Title 3 plays its four cells in order; titles 1, 2 and 4 play the same
    // cells out of order, 1 and 4 for twice as long, and first play starts 1.
    const std::string decoys = qvtest::MediaDir() + "dvddecoy/VIDEO_TS/";
    int64_t progress = 0;
    TraitsByTitle traits;
    EXPECT_EQ(Search(decoys, 1, &progress, &traits), (std::vector<int64_t>{3}));
    ASSERT_EQ(traits.size(), 4u); // every valid title is described, also beside the main one
    using qv::kCellsInOrder, qv::kFirstPlayTarget, qv::kMainFeature;
    const std::map<int, std::tuple<int, int, int, int32_t>> expected = {
        // seconds, cells, shared cells, marks
        {1, {122, 8, 8, kFirstPlayTarget}},
        {2, {61, 4, 4, 0}},
        {3, {61, 4, 4, kCellsInOrder | kMainFeature}},
        {4, {122, 8, 8, 0}}, // 1 2 3 4 1 2 3 4: back to the start half way
    };
    for (auto& [title, facts] : expected) {
        const qv::TitleTraits& t = traits[title];
        EXPECT_EQ(std::tuple(t.seconds, t.cells, t.sharedCells, t.flags), facts) << title;
    }
    EXPECT_EQ(Search(decoys, 0, &progress), (std::vector<int64_t>{1, 2, 3, 4}));

    // An ordinary disc keeps its longest title; its cells are its own.
    traits.clear();
    EXPECT_EQ(Search(qvtest::MediaDir() + "dvdlong/VIDEO_TS/", 1, &progress, &traits),
              (std::vector<int64_t>{1}));
    ASSERT_EQ(traits.size(), 2u); // the 5 s title is no candidate
    EXPECT_EQ(traits[1].flags, kCellsInOrder | kFirstPlayTarget | kMainFeature);
    EXPECT_EQ(traits[3].flags, kCellsInOrder);
    EXPECT_EQ(traits[3].sharedCells, 0);

    // First play opens a menu program that starts title 2: the disc's own
    // choice goes before the longer title 1.
    traits.clear();
    EXPECT_EQ(Search(qvtest::MediaDir() + "dvdfirst/VIDEO_TS/", 1, &progress, &traits),
              (std::vector<int64_t>{2}));
    EXPECT_EQ(traits[1].flags, kCellsInOrder);
    EXPECT_EQ(traits[2].flags, kCellsInOrder | qv::kMenuTarget | kMainFeature);
}

TEST(MainFeature, TheRuleWeighsOrderTheDiscsChoiceSharingAndLength) {
    using qv::TitleTraits, qv::kCellsInOrder, qv::kFirstPlayTarget;
    auto pick = [](std::vector<TitleTraits> titles, int minimum = 60) {
        return qv::MainFeatureOf(titles.data(), static_cast<int>(titles.size()), minimum);
    };
    const TitleTraits feature{5400, 20, 0, kCellsInOrder};
    // A short extra in order does not win over a feature whose cells jump
    // (less than half its length), a long one does.
    EXPECT_EQ(pick({{5400, 20, 0, 0}, {600, 3, 0, kCellsInOrder}}), 1);
    EXPECT_EQ(pick({{5400, 20, 0, 0}, {2700, 3, 0, kCellsInOrder}}), 2);
    // Among ordered titles the one first play starts, then the smaller share.
    EXPECT_EQ(pick({feature, {3000, 8, 0, kCellsInOrder | kFirstPlayTarget}}), 2);
    EXPECT_EQ(pick({{5600, 20, 10, kCellsInOrder}, feature}), 2);
    EXPECT_EQ(pick({{5400, 20, 1, kCellsInOrder}, {5600, 8, 1, kCellsInOrder}}), 1); // 1/20 < 1/8
    // Equal in everything: the longer, then the first.
    EXPECT_EQ(pick({feature, {5401, 20, 0, kCellsInOrder}}), 2);
    EXPECT_EQ(pick({feature, feature}), 1);
    // Nothing long enough, or nothing playable even with no minimum.
    EXPECT_EQ(pick({{59, 1, 0, kCellsInOrder}}), 0);
    EXPECT_EQ(pick({{-1, 0, 0, 0}}, -5), 0);

    int title = 0;
    const TitleTraits many{100000, 300, 256, 0xff};
    const TitleTraits back = qv::UnpackTraits(qv::PackTraits(99, many), &title);
    EXPECT_EQ(title, 99);
    EXPECT_EQ(std::tuple(back.seconds, back.cells, back.sharedCells, back.flags),
              std::tuple(100000, 255, 255, 0xff));
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
