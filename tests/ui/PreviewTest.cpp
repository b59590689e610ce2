// The preview: the real player (MPlayer through vistrel, with null drivers)
// driven from the main window.
#include "MainWindowFixture.h"

#include "controls/BitmapSlider.h"
#include "dvd/SelectDVDDlg.h"
#include "engine/JobModel.h"
#include "mainwnd/PreviewController.h"
#include "mainwnd/SourceList.h"
#include "platform/Messages.h"
#include "platform/WindowMessage.h"
#include "support/Process.h"

#include <QKeyEvent>
#include <QLabel>
#include <QTreeWidget>

using namespace qvtest;
using qv::CConverterDlg;

// The parameter: whether the test plays the long clip (else the 4 s one).
class PreviewTest : public MainWindowTest, public ::testing::WithParamInterface<bool> {
protected:
    std::unique_ptr<CConverterDlg> dlg;
    void SetUp() override {
        MainWindowTest::SetUp();
        // The null video driver: nothing is drawn, everything else runs.
        Run("mkdir -p '" + snapshots + "'");
        WriteIni("[System]\nVideoDriver=1\nSnapshotDir=" + snapshots + "\n");
        KeepPlayer();
        dlg = Open();
        // A clip long enough to be still playing on a loaded machine.
        Run("ffmpeg -loglevel error -y -f lavfi -i testsrc=size=160x120:rate=10 -f lavfi -i "
            "sine=frequency=300 -t 30 -c:v mpeg4 -c:a mp2 '" +
            home / "long.avi" + "'");
        services.filesAnswer = {GetParam() ? home / "long.avi" : MediaDir() + "av.mp4"};
        dlg->OnCommand(CConverterDlg::IDC_ADD_VIDEO);
        Tree(*dlg)->setCurrentItem(Tree(*dlg)->topLevelItem(0));
    }
    static bool GroupGone(pid_t group) {
        for (int i = 0; i < 300; ++i) {
            if (std::system(("pgrep -g " + std::to_string(group) + " >/dev/null").c_str()) != 0)
                return true;
            QApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        return false;
    }
    // As a drag ends: the thumb is let go at a position.
    void Slide(int position) {
        auto* seek = static_cast<qv::CBitmapSlider*>(dlg->Control(1046));
        seek->SetPosition(position);
        qv::WindowMessage moved(qv::WM_SLIDER_DONE, 1046, position);
        QApplication::sendEvent(dlg.get(), &moved);
    }
    int SliderPosition() { return static_cast<qv::CBitmapSlider*>(dlg->Control(1046))->Position(); }
    std::string TimeText() {
        return static_cast<QLabel*>(dlg->Control(1023))->text().toStdString();
    }
    // The position the time text shows, in seconds.
    int ShownSeconds() {
        const std::string t = TimeText();
        return std::stoi(t.substr(0, 2)) * 3600 + std::stoi(t.substr(3, 2)) * 60 +
               std::stoi(t.substr(6, 2));
    }
    // Once the player has ended, the time text and the slider stay at the start.
    void ExpectTheDisplayStaysReset() {
        EXPECT_TRUE(WaitUntil([&] { return SliderPosition() == 0 && ShownSeconds() == 0; }));
        RunEventsFor(qv::PreviewController::kSliderPeriodMs + 300); // past a tick of each timer
        EXPECT_EQ(SliderPosition(), 0);
        EXPECT_EQ(TimeText().substr(0, 9), "00:00:00/");
    }

    const std::string snapshots = home / "snapshots/";
};

class PreviewLong : public PreviewTest {};
class PreviewShort : public PreviewTest {};
INSTANTIATE_TEST_SUITE_P(Clip, PreviewLong, ::testing::Values(true));
INSTANTIATE_TEST_SUITE_P(Clip, PreviewShort, ::testing::Values(false));

TEST_P(PreviewLong, PlayStartsThePlayerOnTheSelectedFileAndStopLeavesNoProcess) {
    ASSERT_NE(player, nullptr);
    dlg->OnCommand(CConverterDlg::IDC_PLAY);
    std::string quoted = home / "long.avi";
    quoted = '"' + quoted + '"';
    EXPECT_NE(player->CommandLine().find(quoted), std::string::npos);
    EXPECT_NE(player->CommandLine().find("-vo null"), std::string::npos);
    const pid_t group = player->ProcessId();
    ASSERT_GT(group, 0);
    // Starting: the slider goes back, Snapshot sends nothing.
    if (player->State() == qv::PlayerStarting) {
        Slide(40);
        EXPECT_EQ(SliderPosition(), 0);
    }
    // Playing: the time text and the slider follow the player.
    ASSERT_TRUE(WaitUntil([&] { return player->State() == qv::PlayerPlaying; }, 15000));
    ASSERT_TRUE(WaitUntil([&] { return TimeText().substr(0, 8) != "00:00:00"; }, 8000));
    EXPECT_EQ(TimeText().substr(8), "/" + qv::RecordOf(Tree(*dlg)->topLevelItem(0))->fullLength);
    EXPECT_TRUE(WaitUntil([&] { return SliderPosition() > 0; }));
    // Seeking to the middle of the 30 s clip (again when the player dropped
    // the command while it was being sent another): the time text follows
    // from there.
    EXPECT_TRUE(WaitUntil([&] {
        Slide(50);
        RunEventsFor(300);
        return ShownSeconds() >= 15;
    }));
    const int seeked = ShownSeconds();
    EXPECT_TRUE(WaitUntil([&] { return ShownSeconds() > seeked; }));
    // From the keyboard: Home goes back to the start.
    QKeyEvent home(QEvent::KeyPress, Qt::Key_Home, Qt::NoModifier);
    QApplication::sendEvent(dlg->Control(1046), &home);
    EXPECT_TRUE(WaitUntil([&] { return ShownSeconds() < seeked; }));
    dlg->OnCommand(CConverterDlg::IDC_STOP);
    EXPECT_TRUE(WaitUntil([&] { return player->State() == qv::PlayerStopped; }));
    ExpectTheDisplayStaysReset();
    EXPECT_TRUE(GroupGone(group));
}

TEST_P(PreviewShort, AClipPlayedToItsEndResetsTheDisplayAndAClosedWindowLeavesNoPlayer) {
    ASSERT_NE(player, nullptr);
    dlg->OnCommand(CConverterDlg::IDC_PLAY);
    const pid_t group = player->ProcessId();
    ASSERT_TRUE(WaitUntil([&] { return player->State() != qv::PlayerStarting; }, 15000));
    ASSERT_TRUE(WaitUntil([&] { return player->State() == qv::PlayerStopped; }, 20000));
    ExpectTheDisplayStaysReset();
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
    modal.dialogAnswer = [](QDialog& d) {
        if (auto* select = qobject_cast<qv::CSelectDVDDlg*>(&d)) {
            select->driveMode = false;
            select->folder = MediaDir() + "dvd";
            select->navigationMode = false;
            return int(QDialog::Accepted);
        }
        return d.exec(); // the scan ends by itself
    };
    dlg->OnCommand(CConverterDlg::IDC_ADD_DVD);
    QTreeWidgetItem* node = Tree(*dlg)->topLevelItem(1);
    ASSERT_NE(node, nullptr);
    Tree(*dlg)->setCurrentItem(node);
    dlg->OnCommand(CConverterDlg::IDC_PLAY);
    EXPECT_EQ(player->ProcessId(), -1);
    dlg->OnCommand(CConverterDlg::IDC_SNAPSHOT); // not playing: nothing is sent
    dlg->OnCommand(CConverterDlg::IDC_SNAPSHOT_FOLDER);
    EXPECT_FALSE(HasEvent("open:")); // not at once
    EXPECT_TRUE(WaitUntil([&] { return HasEvent("open:" + snapshots); }));
    RunEventsFor(300);
    std::lock_guard lock(services.mutex);
    EXPECT_EQ(std::count(services.events.begin(), services.events.end(), "open:" + snapshots), 1);
}

TEST_P(PreviewShort, AFileWithADoubleQuoteInItsNamePlays) {
    ASSERT_NE(player, nullptr);
    const std::string quoted = home / "say \"hi\".mp4";
    Run("cp '" + MediaDir() + "av.mp4' '" + quoted + "'");
    services.filesAnswer = {quoted};
    dlg->OnCommand(CConverterDlg::IDC_ADD_VIDEO);
    Tree(*dlg)->setCurrentItem(Tree(*dlg)->topLevelItem(1));
    dlg->OnCommand(CConverterDlg::IDC_PLAY);
    ASSERT_TRUE(WaitUntil([&] { return player->State() != qv::PlayerStarting; }, 15000));
    EXPECT_EQ(player->FailureText(), "");
    RunEventsFor(100);
    EXPECT_TRUE(services.boxes.empty());
    dlg->OnCommand(CConverterDlg::IDC_STOP);
}

TEST_P(PreviewShort, AFailedPreviewResetsTheDisplaySaysWhyAndLogsThePlayersError) {
    ASSERT_NE(player, nullptr);
    const std::string gone = home / "gone.mp4";
    Run("cp '" + MediaDir() + "av.mp4' '" + gone + "'");
    services.filesAnswer = {gone};
    dlg->OnCommand(CConverterDlg::IDC_ADD_VIDEO);
    Tree(*dlg)->setCurrentItem(Tree(*dlg)->topLevelItem(1));
    Run("rm '" + gone + "'");
    dlg->OnCommand(CConverterDlg::IDC_PLAY);
    ASSERT_TRUE(WaitUntil([&] { return !services.boxes.empty(); }, 15000));
    EXPECT_EQ(player->State(), qv::PlayerStopped);
    EXPECT_NE(services.boxes[0].text.find("gone.mp4"), std::string::npos);
    EXPECT_TRUE(LogHas("The preview of gone.mp4 failed: "));
    ExpectTheDisplayStaysReset();
    EXPECT_EQ(services.boxes.size(), 1u);
}
