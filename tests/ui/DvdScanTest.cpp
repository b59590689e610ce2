#include "dvd/DvdScan.h"

#include "engine/JobModel.h"
#include "mainwnd/SourceListModel.h"
#include "support/Paths.h"
#include "support/Process.h"
#include "support/RecordingServices.h"
#include "support/TempDir.h"
#include "support/Tone.h"
#include "support/Tool.h"

#include <QLabel>

#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace qv;

namespace {

std::shared_ptr<DvdInfoBlock> Scan(const PreparedScan& scan, bool runOsprel, bool mainTitle,
                                   int* progress, QString* found) {
    auto block = std::make_shared<DvdInfoBlock>();
    std::memset(block.get(), 0, sizeof *block);
    CParseDVDDlg dlg(block, scan, runOsprel, mainTitle);
    dlg.exec();
    *progress = dlg.Progress();
    *found = dlg.FoundText();
    return block;
}

// A DVD folder whose named files are FIFOs: opening one blocks until a
// writer comes, which none does, so a read of the disc hangs there as it can
// on a damaged disc.
struct HangingDvd {
    qvtest::TempDir dir;
    explicit HangingDvd(const std::vector<std::string>& hanging) {
        ::mkdir((dir / "VIDEO_TS").c_str(), 0755);
        const std::string from = qvtest::MediaDir() + "dvdlong/VIDEO_TS/";
        for (const char* name :
             {"VIDEO_TS.IFO", "VIDEO_TS.BUP", "VTS_01_0.IFO", "VTS_01_0.BUP", "VTS_01_1.VOB"}) {
            const std::string to = dir / "VIDEO_TS/" + name;
            const bool fifo = std::find(hanging.begin(), hanging.end(), name) != hanging.end();
            EXPECT_EQ(fifo ? ::mkfifo(to.c_str(), 0644)
                           : ::symlink((from + name).c_str(), to.c_str()),
                      0);
        }
    }
};

bool HasChild() {
    return !qvtest::ChildrenOf(::getpid()).empty();
}

} // namespace

TEST(DvdScan, StopAndClosingEndTheChildReadingAHungDisc) {
    qvtest::RecordingServices user;
    user.answer = MsgYes;
    { // the search's survey hangs on the title's video file: Stop ends it
        HangingDvd disc({"VTS_01_1.VOB"});
        auto block = std::make_shared<DvdInfoBlock>();
        std::memset(block.get(), 0, sizeof *block);
        CParseDVDDlg dlg(block, PrepareScan({false, disc.dir.path(), ""}), true, false);
        QTimer poll; // the structure is read (20%), the survey's child runs: stop
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (dlg.Progress() >= 20 && HasChild()) {
                poll.stop();
                dlg.Stop();
            }
        });
        poll.start(20);
        dlg.exec();
        EXPECT_TRUE(dlg.StoppedByUser());
        EXPECT_EQ(block->titleCount, 3);
        EXPECT_EQ(block->titles[0].selected, 0);
        EXPECT_EQ(user.boxes.size(), 1u);
        EXPECT_TRUE(qvtest::ChildrenOf(::getpid()).empty());
    }
    { // the structure read hangs: the dialog goes without a Stop
        HangingDvd disc({"VIDEO_TS.IFO", "VIDEO_TS.BUP"});
        auto block = std::make_shared<DvdInfoBlock>();
        std::memset(block.get(), 0, sizeof *block);
        auto dlg = std::make_unique<CParseDVDDlg>(block, PrepareScan({false, disc.dir.path(), ""}),
                                                  true, false);
        dlg->show();
        ASSERT_TRUE(QTest::qWaitFor(HasChild, 60000));
        dlg.reset();
        EXPECT_TRUE(qvtest::ChildrenOf(::getpid()).empty());
        EXPECT_EQ(block->titleCount, 0);
    }
}

TEST(DvdScan, WithoutTheSearchEveryTitleBecomesASource) {
    qvtest::RecordingServices user;
    PreparedScan scan = PrepareScan({false, qvtest::MediaDir() + "dvd", ""});
    EXPECT_EQ(scan.sourcePath, qvtest::MediaDir() + "dvd/VIDEO_TS/");
    EXPECT_EQ(scan.scanPath, scan.sourcePath);
    int progress;
    QString found;
    auto block = Scan(scan, false, true, &progress, &found);
    EXPECT_EQ(progress, 10);
    EXPECT_EQ(block->titles[0].selected, 1);
    EXPECT_EQ(block->titles[1].selected, 1);

    DvdSources sources = DvdSourcesOf(*block, scan);
    ASSERT_NE(sources.disc, nullptr);
    EXPECT_EQ(sources.disc->kind, KindDvdDisc);
    // In the source list: the disc named by its scan path, its titles ticked.
    SourceListModel list;
    CMediaRecord* disc =
        list.AddDisc(sources.name, std::move(sources.disc), std::move(sources.titles));
    ASSERT_NE(disc, nullptr);
    EXPECT_EQ(list.ItemText(disc), scan.scanPath + "\t");
    ASSERT_EQ(list.Rows(disc).size(), 2u);
    const CMediaRecord* first = list.Rows(disc)[0];
    EXPECT_EQ(list.ItemText(first), "Title_1\t00:00:05\t00:00:00\t00:00:05\t");
    EXPECT_TRUE(list.Checked(first));
    const CMediaRecord& r = *first;
    EXPECT_EQ(r.kind, KindDvdTitle);
    EXPECT_EQ(r.titleNumber, 1);
    EXPECT_EQ(r.sourcePath, scan.sourcePath);
    EXPECT_EQ(r.trimStart, "00:00:00");
    EXPECT_EQ(r.trimEnd, "00:00:05");
    EXPECT_EQ(r.frameRate, "25");
    EXPECT_EQ(r.manyTitles, 0);
    ASSERT_EQ(r.audioTracks.size(), 2u);
    EXPECT_EQ(r.audioTracks[0].Label(), "English AC3 2ch 48000Hz");
    EXPECT_EQ(r.audioTracks[1].streamId, 129);
    EXPECT_EQ(r.audioIndex, 0);
    EXPECT_EQ(r.subtitleIndex, -1);
}

TEST(DvdScan, TheSearchListsTheTitlesItReports) {
    qvtest::RecordingServices user;
    PreparedScan scan = PrepareScan({false, qvtest::MediaDir() + "dvdlong/VIDEO_TS", ""});
    EXPECT_EQ(scan.scanPath, qvtest::MediaDir() + "dvdlong/VIDEO_TS/");
    int progress;
    QString found;
    auto block = Scan(scan, true, false, &progress, &found);
    EXPECT_EQ(found, QStringLiteral("发现标题: 1 3 "));
    EXPECT_EQ(progress, 100);
    DvdSources sources = DvdSourcesOf(*block, scan);
    ASSERT_EQ(sources.titles.size(), 2u);
    EXPECT_EQ(sources.titles[1]->titleNumber, 3);

    auto main = Scan(scan, true, true, &progress, &found);
    EXPECT_EQ(found, QStringLiteral("发现标题: 1 "));
}

TEST(DvdScan, ReportsLabelsProgressAndStop) {
    qvtest::RecordingServices user;
    auto block = std::make_shared<DvdInfoBlock>();
    std::memset(block.get(), 0, sizeof *block);
    block->titleCount = 3;
    CParseDVDDlg dlg(block, PrepareScan({false, "/no/such/folder", ""}), true, false);
    dlg.Report(1, 3);
    dlg.Report(1, 1);
    dlg.Report(1, 3);
    dlg.Report(1, 7); // outside the disc: listed, never selected
    EXPECT_EQ(dlg.FoundText(), QStringLiteral("发现标题: 3 1 3 7 "));
    dlg.Report(2, 50);
    EXPECT_EQ(dlg.Progress(), 60);
    dlg.Report(2, 99);
    EXPECT_EQ(dlg.Progress(), 99);
    user.answer = MsgNo;
    dlg.Stop();
    EXPECT_EQ(block->titles[0].selected, 0);
    user.answer = MsgYes;
    dlg.Stop();
    EXPECT_EQ(user.boxes.back().text, "正在解析 DVD, 确定要停止吗?");
    EXPECT_EQ(block->titles[0].selected, 1);
    EXPECT_EQ(block->titles[1].selected, 0);
    EXPECT_EQ(block->titles[2].selected, 1);

    PreparedScan drive = PrepareScan({true, "/dev/sr0", "MY:DISC*1"});
    EXPECT_EQ(drive.label, "MY DISC 1");
    EXPECT_EQ(drive.sourcePath, "/dev/sr0");
    EXPECT_EQ(DvdTitleBaseName(drive.label, 2), "MY DISC 1_Title_2");
}

TEST(DvdScan, ThePlayerPlaysATitleWithTheAudioStreamItsRecordCarries) {
    qvtest::RecordingServices user;
    PreparedScan scan = PrepareScan({false, qvtest::MediaDir() + "dvd", ""});
    int progress;
    QString found;
    auto block = Scan(scan, false, false, &progress, &found);
    DvdSources sources = DvdSourcesOf(*block, scan);
    ASSERT_FALSE(sources.titles.empty());
    const CMediaRecord& r = *sources.titles[0];
    for (const TrackEntry& track : r.audioTracks) {
        qvtest::ToolRun run = qvtest::RunTool(
            {qvtest::ProgramDir() + "codecs/vistrel", "-quiet", "-identify", "-vo", "null", "-ao",
             "null", "-frames", "10", "-dvd-device", r.sourcePath,
             "dvd://" + std::to_string(r.titleNumber), "-aid", std::to_string(track.streamId)});
        // Track 128 is the stereo one, 129 the mono one.
        const std::string channels = track.streamId == 128 ? "2 ch" : "1 ch";
        EXPECT_NE(run.output.find("AUDIO: 48000 Hz, " + channels), std::string::npos)
            << track.streamId << "\n"
            << run.output;
    }
}

namespace {

// Scans with the search, as the window does, and says why nothing came.
DvdDiagnosis ScanAndDiagnose(const std::string& path, int* found = nullptr) {
    PreparedScan scan = PrepareScan({false, path, ""});
    auto block = std::make_shared<DvdInfoBlock>();
    std::memset(block.get(), 0, sizeof *block);
    CParseDVDDlg dlg(block, scan, true, false);
    dlg.exec();
    const int selected = static_cast<int>(DvdSourcesOf(*block, scan).titles.size());
    if (found)
        *found = selected;
    return DiagnoseDvdScan(scan, dlg.Outcome(), selected);
}

} // namespace

TEST(DvdScan, SaysWhyADiscGaveNoTitle) {
    qvtest::RecordingServices user;
    EXPECT_EQ(ScanAndDiagnose("").problem, DvdProblem::NoPath);
    EXPECT_EQ(ScanAndDiagnose("/no/such/disc").problem, DvdProblem::Missing);

    qvtest::TempDir broken; // an IFO of garbage
    ::mkdir((broken / "VIDEO_TS").c_str(), 0755);
    qvtest::WriteFile(broken / "VIDEO_TS/VIDEO_TS.IFO", std::string(4096, '\x7f'));
    EXPECT_EQ(ScanAndDiagnose(broken.path()).problem, DvdProblem::NotDvd);

    // The title table reads, the titles' sectors do not (as on a disc with
    // read errors): not "no title of a minute".
    qvtest::TempDir cut;
    ::mkdir((cut / "VIDEO_TS").c_str(), 0755);
    const std::string from = qvtest::MediaDir() + "dvdlong/VIDEO_TS/";
    for (const char* name : {"VIDEO_TS.IFO", "VIDEO_TS.BUP", "VTS_01_0.IFO", "VTS_01_0.BUP"})
        ASSERT_EQ(::symlink((from + name).c_str(), (cut / "VIDEO_TS/" + name).c_str()), 0);
    qvtest::WriteFile(cut / "VIDEO_TS/VTS_01_1.VOB",
                      qvtest::ReadFile(from + "VTS_01_1.VOB").substr(0, 2048 * 16));
    EXPECT_EQ(ScanAndDiagnose(cut.path()).problem, DvdProblem::TitlesUnreadable);

    int found = -1;
    EXPECT_EQ(ScanAndDiagnose(qvtest::MediaDir() + "dvd", &found).problem, DvdProblem::NoLongTitle);
    EXPECT_EQ(found, 0);
    EXPECT_EQ(ScanAndDiagnose(qvtest::MediaDir() + "dvdlong", &found).problem, DvdProblem::None);
    EXPECT_EQ(found, 2);
}

TEST(DvdScan, AnEncryptedDiscWithoutLibdvdcssIsNamedSo) {
    DvdPathFacts drive;
    drive.drive = true;
    DvdScanOutcome every{0, 3, true, 3, 0}; // every title's sectors refused
    EXPECT_EQ(DiagnoseDvd(drive, every, 0).problem, DvdProblem::Encrypted);
    drive.cssAvailable = true; // then the refusal is something else
    EXPECT_EQ(DiagnoseDvd(drive, every, 0).problem, DvdProblem::TitlesUnreadable);
    drive.cssAvailable = false;
    DvdScanOutcome someShort{0, 3, true, 0, 0};
    EXPECT_EQ(DiagnoseDvd(drive, someShort, 0).problem, DvdProblem::NoLongTitle);
    drive.scrambled = true;
    EXPECT_EQ(DiagnoseDvd(drive, someShort, 0).problem, DvdProblem::Encrypted);
    drive.openError = ENOMEDIUM;
    const DvdDiagnosis empty = DiagnoseDvd(drive, DvdScanOutcome{1, 0, false, 0, 0}, 0);
    EXPECT_EQ(empty.problem, DvdProblem::NotReadable);
    EXPECT_NE(DvdProblemText(empty, "/dev/sr0").find("/dev/sr0"), std::string::npos);
    DvdPathFacts folder; // a copied folder is never scrambled
    EXPECT_EQ(DiagnoseDvd(folder, every, 0).problem, DvdProblem::TitlesUnreadable);
    EXPECT_EQ(DiagnoseDvd(folder, DvdScanOutcome{4, 0, false, 0, 0}, 0).problem,
              DvdProblem::TimedOut);
    EXPECT_EQ(DiagnoseDvd(folder, DvdScanOutcome{0, 3, true, 0, 2}, 0).problem,
              DvdProblem::TimedOut);
}

TEST(DvdScan, EachTrackAndSubtitleOfATitleCarriesTheStreamThePlayerSelects) {
    qvtest::RecordingServices user;
    PreparedScan scan = PrepareScan({false, qvtest::MediaDir() + "dvdmix", ""});
    int progress;
    QString found;
    auto block = Scan(scan, false, false, &progress, &found);
    DvdSources sources = DvdSourcesOf(*block, scan);
    ASSERT_EQ(sources.titles.size(), 2u);
    const CMediaRecord& r = *sources.titles[0];
    ASSERT_EQ(r.audioTracks.size(), 3u);
    // AC-3 at 440 Hz, MPEG audio at 660 Hz, LPCM at 990 Hz: what the player
    // plays for each record's id.
    const double tones[] = {440, 660, 990};
    qvtest::TempDir out;
    for (size_t i = 0; i < 3; ++i) {
        std::string wav = out / "t";
        wav += std::to_string(i) + ".wav";
        qvtest::ToolRun run = qvtest::RunTool(
            {qvtest::ProgramDir() + "codecs/vistrel", "-quiet", "-vo", "null", "-ao",
             "pcm:fast:file=" + wav, "-endpos", "2.5", "-dvd-device", r.sourcePath, "dvd://1",
             "-aid", std::to_string(r.audioTracks[i].streamId)});
        EXPECT_NEAR(qvtest::ToneOf(wav), tones[i], tones[i] * 0.03)
            << r.audioTracks[i].Label() << "\n"
            << run.output;
    }
    ASSERT_EQ(r.subtitleTracks.size(), 2u);
    EXPECT_EQ(r.subtitleTracks[0].streamId, 0);
    EXPECT_EQ(r.subtitleTracks[1].streamId, 1);
    const CMediaRecord& second = *sources.titles[1];
    ASSERT_EQ(second.subtitleTracks.size(), 1u);
    EXPECT_EQ(second.subtitleTracks[0].streamId, 1); // its only subpicture stream
}
