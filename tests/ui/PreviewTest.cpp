// The preview: the slider and time-text arithmetic, and the real player
// (MPlayer through vistrel, with null drivers) driven from the main window.
#include "MainWindowFixture.h"

#include "controls/BitmapSlider.h"
#include "controls/ColumnTreeCtrl.h"
#include "dvd/DvdScan.h"
#include "engine/JobModel.h"
#include "mainwnd/Preview.h"
#include "mainwnd/SourceList.h"
#include "platform/Messages.h"
#include "platform/WindowMessage.h"
#include "support/Process.h"

#include <QLabel>
#include <QTreeWidget>

using namespace qvtest;
using qv::CConverterDlg;

TEST(PreviewArithmetic, TheSliderFollowsTheTrimmedLengthAndSeeksInWholeSeconds) {
    // A 1:00 to 3:00 trim gives a length of 120: the slider stops past it.
    EXPECT_EQ(qv::SliderPositionFor(60, 120, 0, 100), 50);
    EXPECT_EQ(qv::SliderPositionFor(119, 120, 0, 100), 99);
    EXPECT_EQ(qv::SliderPositionFor(120, 120, 0, 100), 100);
    EXPECT_EQ(qv::SliderPositionFor(121, 120, 0, 100), std::nullopt);
    EXPECT_EQ(qv::SliderPositionFor(0, 0, 0, 100), 0);
    EXPECT_EQ(qv::SliderPositionFor(5, 10, 60, 100), 60); // clamped to the range
    EXPECT_EQ(qv::SeekTargetFor(50, 121), 60);
    EXPECT_EQ(qv::SeekTargetFor(100, 121), 121);
    EXPECT_EQ(qv::SeekTargetFor(0, 121), 0);
    EXPECT_EQ(qv::PreviewTimeText(3725, "02:00:00"), "01:02:05/02:00:00");
    EXPECT_EQ(qv::PreviewTimeText(59, ""), "00:00:59/00:00:00");
}

TEST(PreviewArithmetic, TheMediaArgumentOfAFileAndOfADvdTitle) {
    qv::CMediaRecord file;
    file.sourcePath = "/v/a clip.mp4";
    EXPECT_EQ(qv::PreviewMediaArgument(file, 1), "\"/v/a clip.mp4\"");
    qv::CMediaRecord title;
    title.kind = qv::KindDvdTitle;
    title.sourcePath = "/dvd/VIDEO_TS/";
    title.titleNumber = 3;
    title.audioTracks = {qv::TrackEntry::Make("ac3 en", 128), qv::TrackEntry::Make("ac3 fr", 129)};
    title.audioIndex = 1;
    title.subtitleTracks = {qv::TrackEntry::Make("en", 0)};
    title.subtitleIndex = 0;
    EXPECT_EQ(qv::PreviewMediaArgument(title, 1),
              "-dvd-device \"/dvd/VIDEO_TS\" dvd://3 -aid 129 -sid 0");
    title.manyTitles = 1;
    title.subtitleIndex = -1;
    EXPECT_EQ(qv::PreviewMediaArgument(title, 1),
              "-dvd-device \"/dvd/VIDEO_TS\" dvdnav://3 -aid 129");
    EXPECT_EQ(qv::PreviewMediaArgument(title, 2), "-dvd-device \"/dvd/VIDEO_TS\" dvd://3 -aid 129");
    title.manyTitles = 0;
    title.audioIndex = 5; // outside its list: left out
    EXPECT_EQ(qv::PreviewMediaArgument(title, 3), "-dvd-device \"/dvd/VIDEO_TS\" dvdnav://3");
}

// The parameter: whether the test plays the long clip (else the 4 s one).
class PreviewTest : public MainWindowTest, public ::testing::WithParamInterface<bool> {
protected:
    std::unique_ptr<CConverterDlg> dlg;
    void SetUp() override {
        MainWindowTest::SetUp();
        // The null video driver: nothing is drawn, everything else runs.
        WriteIni("[System]\nVideoDriver=1\n");
        dlg = Open();
        // A clip long enough to be still playing on a loaded machine.
        Run("ffmpeg -loglevel error -y -f lavfi -i testsrc=size=160x120:rate=10 -f lavfi -i "
            "sine=frequency=300 -t 30 -c:v mpeg4 -c:a mp2 '" +
            home / "long.avi" + "'");
        services.filesAnswer = {GetParam() ? home / "long.avi" : MediaDir() + "av.mp4"};
        dlg->OnCommand(CConverterDlg::IDC_ADD_VIDEO);
        dlg->SourceList()->GetTreeCtrl()->setCurrentItem(
            dlg->SourceList()->GetTreeCtrl()->topLevelItem(0));
    }
    static bool GroupGone(pid_t group) {
        for (int i = 0; i < 300; ++i) {
            if (std::system(("pgrep -g " + std::to_string(group) + " >/dev/null").c_str()) != 0)
                return true;
            QApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        return false;
    }
    void Slide(int position) {
        auto* seek = static_cast<qv::CBitmapSlider*>(dlg->Control(1046));
        seek->SetPosition(position);
        qv::WindowMessage moved(qv::WM_SLIDER_POSITION, 1046, position);
        QApplication::sendEvent(dlg.get(), &moved);
    }
    int SliderPosition() { return static_cast<qv::CBitmapSlider*>(dlg->Control(1046))->Position(); }
    std::string TimeText() {
        return static_cast<QLabel*>(dlg->Control(1023))->text().toStdString();
    }
};

class PreviewLong : public PreviewTest {};
class PreviewShort : public PreviewTest {};
INSTANTIATE_TEST_SUITE_P(Clip, PreviewLong, ::testing::Values(true));
INSTANTIATE_TEST_SUITE_P(Clip, PreviewShort, ::testing::Values(false));

TEST_P(PreviewLong, PlayStartsThePlayerOnTheSelectedFileAndStopLeavesNoProcess) {
    qv::CMPlayer* player = dlg->Player();
    ASSERT_NE(player, nullptr);
    dlg->OnCommand(CConverterDlg::IDC_PLAY);
    EXPECT_NE(player->CommandLine().find("\"" + home / "long.avi" + "\""), std::string::npos);
    EXPECT_NE(player->CommandLine().find("-vo null"), std::string::npos);
    const pid_t group = player->ProcessId();
    ASSERT_GT(group, 0);
    // Starting: the slider goes back, Snapshot sends nothing.
    if (player->State() == qv::PlayerStarting) {
        Slide(40);
        EXPECT_EQ(SliderPosition(), 0);
    }
    ASSERT_TRUE(WaitUntil([&] { return dlg->TimerActive(1) && dlg->TimerActive(2); }, 15000));
    ASSERT_TRUE(WaitUntil([&] { return TimeText().substr(0, 8) != "00:00:00"; }, 8000));
    EXPECT_EQ(TimeText().substr(8),
              "/" + qv::RecordOf(dlg->SourceList()->GetTreeCtrl()->topLevelItem(0))->fullLength);
    // Seeking while playing restarts the timers.
    Slide(50);
    EXPECT_TRUE(dlg->TimerActive(1));
    dlg->OnCommand(CConverterDlg::IDC_STOP);
    EXPECT_TRUE(WaitUntil([&] { return player->State() == qv::PlayerStopped; }));
    EXPECT_TRUE(WaitUntil([&] { return !dlg->TimerActive(1) && !dlg->TimerActive(2); }));
    EXPECT_EQ(SliderPosition(), 0);
    EXPECT_TRUE(GroupGone(group));
}

TEST_P(PreviewShort, AClipPlayedToItsEndResetsTheDisplayAndAClosedWindowLeavesNoPlayer) {
    qv::CMPlayer* player = dlg->Player();
    dlg->OnCommand(CConverterDlg::IDC_PLAY);
    const pid_t group = player->ProcessId();
    ASSERT_TRUE(WaitUntil([&] { return player->State() != qv::PlayerStarting; }, 15000));
    ASSERT_TRUE(WaitUntil([&] { return player->State() == qv::PlayerStopped; }, 20000));
    EXPECT_TRUE(WaitUntil([&] { return !dlg->TimerActive(1); }));
    EXPECT_EQ(SliderPosition(), 0);
    EXPECT_EQ(TimeText().substr(0, 9), "00:00:00/");
    EXPECT_TRUE(GroupGone(group));

    // Playing again, then closing: the player is stopped before the window goes.
    dlg->OnCommand(CConverterDlg::IDC_PLAY);
    const pid_t second = player->ProcessId();
    ASSERT_GT(second, 0);
    dlg->OnCommand(CConverterDlg::IDC_CLOSE);
    dlg.reset();
    EXPECT_TRUE(GroupGone(second));
}

TEST_P(PreviewShort, ADvdNodePlaysNothingAndTheSnapshotFolderOpensAfterItsTimer) {
    auto record = std::make_unique<qv::CMediaRecord>();
    record->kind = qv::KindDvdDisc;
    auto* node = new qv::CSourceItem(std::move(record));
    dlg->SourceList()->GetTreeCtrl()->addTopLevelItem(node);
    dlg->SourceList()->GetTreeCtrl()->setCurrentItem(node);
    dlg->OnCommand(CConverterDlg::IDC_PLAY);
    EXPECT_EQ(dlg->Player()->ProcessId(), -1);
    dlg->OnCommand(CConverterDlg::IDC_SNAPSHOT); // not playing: nothing is sent
    dlg->OnCommand(CConverterDlg::IDC_SNAPSHOT_FOLDER);
    EXPECT_TRUE(dlg->TimerActive(11));
    EXPECT_TRUE(WaitUntil([&] { return HasEvent("open:" + dlg->Settings().SnapshotDir); }));
    EXPECT_FALSE(dlg->TimerActive(11));
}
