// The source list's rows without the window: order, names and columns,
// removal, ticks and what Start collects from them, trims and track choices.
#include "mainwnd/SourceListModel.h"

#include "engine/JobModel.h"
#include "probe/MediaProbe.h"
#include "queue/ConvertingDlg.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace qv;

namespace {

using Records = std::vector<CMediaRecord*>;
using Owned = std::vector<std::unique_ptr<CMediaRecord>>;

ProbeResult Probed(const std::string& length) {
    ProbeResult probe;
    probe.lengthText = length;
    return probe;
}

std::unique_ptr<CMediaRecord> Disc() {
    auto disc = std::make_unique<CMediaRecord>();
    disc->kind = KindDvdDisc;
    return disc;
}

// Titles as a scan gives them, two minutes each.
Owned Titles(std::initializer_list<int> numbers) {
    Owned titles;
    for (int n : numbers) {
        auto t = std::make_unique<CMediaRecord>();
        t->kind = KindDvdTitle;
        t->titleNumber = n;
        t->baseName = DvdTitleBaseName("", n);
        t->fullLength = t->trimEnd = "00:02:00";
        t->trimStart = "00:00:00";
        titles.push_back(std::move(t));
    }
    return titles;
}

Records Of(const Owned& owned) {
    Records records;
    for (const auto& r : owned)
        records.push_back(r.get());
    return records;
}

} // namespace

TEST(SourceListModel, RowsKeepTheirOrderNamesAndColumns) {
    SourceListModel list;
    CMediaRecord* a = list.AddFile("/v/a.clip.avi", Probed("00:01:00"));
    CMediaRecord* disc = list.AddDisc("/dvd/VIDEO_TS/", Disc(), Titles({1, 3}));
    CMediaRecord* b = list.AddFile("/v/b.mp4", Probed(""));
    EXPECT_EQ(list.Rows(), (Records{a, disc, b}));
    ASSERT_EQ(list.Rows(disc).size(), 2u);
    EXPECT_EQ(list.Rows(disc)[1]->titleNumber, 3);
    EXPECT_EQ(list.Count(), 5);
    EXPECT_EQ(list.ItemText(a), "a.clip.avi\t00:01:00\t00:00:00\t00:01:00\t");
    EXPECT_EQ(list.ItemText(b), "b.mp4\t\t00:00:00\t\t");
    EXPECT_EQ(list.ItemText(disc), "/dvd/VIDEO_TS/\t");
    EXPECT_EQ(list.ItemText(list.Rows(disc)[0]), "Title_1\t00:02:00\t00:00:00\t00:02:00\t");
    // A tab in a name would start the next column: it shows as a blank.
    CMediaRecord* tabbed = list.AddFile("/v/a\tb.avi", Probed("00:01:00"));
    EXPECT_EQ(list.ItemText(tabbed), "a b.avi\t00:01:00\t00:00:00\t00:01:00\t");
    EXPECT_EQ(tabbed->sourcePath, "/v/a\tb.avi");
    list.Remove(tabbed);

    // A trim shows in the last two columns; a disc has none.
    EXPECT_TRUE(list.SetTrim(a, "00:00:10", "00:00:50"));
    EXPECT_EQ(list.ItemText(a), "a.clip.avi\t00:01:00\t00:00:10\t00:00:50\t");
    EXPECT_FALSE(list.SetTrim(disc, "00:00:10", "00:00:50"));
    EXPECT_EQ(disc->trimStart, "");

    // A disc without titles adds nothing.
    EXPECT_EQ(list.AddDisc("/dvd2/", Disc(), {}), nullptr);
    EXPECT_EQ(list.Count(), 5);
}

TEST(SourceListModel, RemovingTheLastTitleRemovesItsDiscAndADiscTakesItsTitles) {
    SourceListModel list;
    CMediaRecord* a = list.AddFile("/v/a.avi", Probed("00:01:00"));
    CMediaRecord* first = list.AddDisc("/d1/", Disc(), Titles({1, 2}));
    CMediaRecord* second = list.AddDisc("/d2/", Disc(), Titles({1, 2}));
    CMediaRecord* b = list.AddFile("/v/b.avi", Probed("00:01:00"));
    const Records firstTitles = list.Rows(first), secondTitles = list.Rows(second);

    Owned removed = list.Remove(firstTitles[0]);
    EXPECT_EQ(Of(removed), (Records{firstTitles[0]}));
    EXPECT_EQ(list.Rows(first), (Records{firstTitles[1]}));
    // The last title: its disc goes first, then the title.
    removed = list.Remove(firstTitles[1]);
    EXPECT_EQ(Of(removed), (Records{first, firstTitles[1]}));
    EXPECT_FALSE(list.Contains(first));
    EXPECT_FALSE(list.Contains(firstTitles[1]));
    // A disc with its titles.
    removed = list.Remove(second);
    EXPECT_EQ(Of(removed), (Records{second, secondTitles[0], secondTitles[1]}));
    EXPECT_EQ(list.Rows(), (Records{a, b}));
    EXPECT_EQ(list.Count(), 2);
    // What is not in the list removes nothing.
    EXPECT_TRUE(list.Remove(second).empty());
    EXPECT_TRUE(list.Remove(nullptr).empty());

    removed = list.Clear();
    EXPECT_EQ(Of(removed), (Records{a, b}));
    EXPECT_EQ(list.Count(), 0);
    EXPECT_TRUE(list.Rows().empty());
}

TEST(SourceListModel, StartCollectsTheTickedFilesAndTitlesInListOrderAndADiscTicksItsTitles) {
    SourceListModel list;
    CMediaRecord* a = list.AddFile("/v/a.avi", Probed("00:01:00"));
    CMediaRecord* disc = list.AddDisc("/d/", Disc(), Titles({1, 2, 3}));
    CMediaRecord* b = list.AddFile("/v/b.avi", Probed("00:01:00"));
    const Records t = list.Rows(disc);
    auto jobs = [&list] { return CollectJobs(list.SourceItems()); };
    EXPECT_EQ(jobs(), (Records{a, t[0], t[1], t[2], b}));
    EXPECT_EQ(list.TickOf(disc), SourceListModel::Tick::On);

    // Unticking a disc unticks its titles: none of them is converted.
    list.SetChecked(disc, false);
    EXPECT_FALSE(list.Checked(t[0]));
    EXPECT_EQ(list.TickOf(disc), SourceListModel::Tick::Off);
    EXPECT_EQ(jobs(), (Records{a, b}));
    // One title ticked again: the disc is partly ticked and converts that one.
    list.SetChecked(t[1], true);
    EXPECT_TRUE(list.Checked(disc));
    EXPECT_EQ(list.TickOf(disc), SourceListModel::Tick::Partly);
    list.SetChecked(a, false);
    EXPECT_EQ(jobs(), (Records{t[1], b}));
    // The last ticked title unticked unticks the disc; ticking it ticks all.
    list.SetChecked(t[1], false);
    EXPECT_EQ(list.TickOf(disc), SourceListModel::Tick::Off);
    list.SetChecked(disc, true);
    EXPECT_EQ(list.TickOf(disc), SourceListModel::Tick::On);
    EXPECT_EQ(jobs(), (Records{t[0], t[1], t[2], b}));

    list.SetAllChecked(false);
    EXPECT_TRUE(jobs().empty());
    list.SetAllChecked(true);
    EXPECT_TRUE(list.Checked(disc));
    EXPECT_EQ(jobs(), (Records{a, t[0], t[1], t[2], b}));
}

TEST(SourceListModel, TrackChoicesStayWithinTheTitlesLists) {
    SourceListModel list;
    Owned titles = Titles({1});
    titles[0]->audioTracks = {TrackEntry::Make("en ac3", 128), TrackEntry::Make("fr ac3", 129)};
    titles[0]->audioIndex = 0;
    titles[0]->subtitleTracks = {TrackEntry::Make("en", 0)};
    CMediaRecord* disc = list.AddDisc("/d/", Disc(), std::move(titles));
    CMediaRecord* title = list.Rows(disc)[0];

    list.ChooseAudioTrack(title, 1);
    EXPECT_EQ(title->audioIndex, 1);
    list.ChooseAudioTrack(title, -1); // no entry chosen
    list.ChooseAudioTrack(title, 2);
    EXPECT_EQ(title->audioIndex, 1);
    // The subtitle list starts with "none".
    list.ChooseSubtitle(title, 1);
    EXPECT_EQ(title->subtitleIndex, 0);
    list.ChooseSubtitle(title, 0);
    EXPECT_EQ(title->subtitleIndex, -1);
    list.ChooseSubtitle(title, 2);
    list.ChooseSubtitle(title, -1);
    EXPECT_EQ(title->subtitleIndex, -1);
}

TEST(SourceListModel, AFilesSubtitleIsChosenBurntInOrKept) {
    SourceListModel list;
    ProbeResult probe = Probed("00:01:00");
    probe.audioTracks.resize(1);
    probe.subtitleTracks = {{"French", "VobSub", true, false}, {"German", "UTF-8", false, false}};
    CMediaRecord* r = list.AddFile("/m/two.mkv", probe);
    ASSERT_EQ(r->subtitleTracks.size(), 2u);
    // None, French, French kept, German, German kept.
    for (auto [entry, index, keep] : {std::tuple{3, 1, 0}, {2, 0, 1}, {4, 1, 1}, {0, -1, 0}}) {
        list.ChooseSubtitle(r, entry);
        EXPECT_EQ(r->subtitleIndex, index) << entry;
        EXPECT_EQ(r->keepSubtitle, keep) << entry;
    }
    list.ChooseSubtitle(r, 4);
    list.ChooseSubtitle(r, 5); // past the list: no choice
    EXPECT_EQ(r->subtitleIndex, 1);
    EXPECT_EQ(r->keepSubtitle, 1);
}
