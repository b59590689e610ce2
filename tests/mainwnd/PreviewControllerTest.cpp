// The preview without the window: the slider and time-text arithmetic, and
// the controller driving a player on scripted player tools.
#include "mainwnd/PreviewController.h"

#include "engine/JobModel.h"
#include "platform/CommandLine.h"
#include "platform/Messages.h"
#include "player/MPlayer.h"
#include "support/Process.h"
#include "support/TempDir.h"
#include "support/Wait.h"

#include <QEvent>
#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace qv;
using qvtest::RunEventsFor;
using qvtest::Until;

namespace {

// What the controller showed.
class RecordingView : public PreviewView {
public:
    void ShowTimeText(const std::string& text) override { time = text; }
    void ShowCaption(const std::string& text) override { caption = text; }
    void ShowSliderPosition(int position) override { slider = position; }
    int SliderPosition() const override { return slider; }
    bool SliderHeld() const override { return held; }
    void RestorePicture() override { ++restored; }
    unsigned long PictureWindow() override { return 0; }
    void OpenFolder(const std::string& folder) override { opened.push_back(folder); }
    void ShowMessage(const std::string& text) override { messages.push_back(text); }

    std::string time, caption;
    std::vector<std::string> messages;
    int slider = -1, restored = 0;
    bool held = false;
    std::vector<std::string> opened;
};

// Hands the player's messages to the controller, as the main window does.
class Router : public QObject {
public:
    PreviewController* preview = nullptr;

protected:
    void customEvent(QEvent* event) override {
        if (preview)
            preview->OnPlayerMessage(static_cast<int>(event->type()));
    }
};

// A file record whose trim gives the player a length of 24 seconds.
std::unique_ptr<CMediaRecord> Clip(const std::string& path) {
    auto r = std::make_unique<CMediaRecord>();
    r->sourcePath = path;
    r->fullLength = "00:00:30";
    r->trimStart = "00:00:00";
    r->trimEnd = "00:00:24";
    return r;
}

// A controller whose player runs a script in place of the player tool.
struct Preview {
    RecordingView view;
    Router router;
    PreviewController controller{view};
    CMPlayer* player = nullptr;
    qvtest::TempDir dir;

    Preview() {
        router.preview = &controller;
        auto made = std::make_unique<CMPlayer>(&router);
        player = made.get();
        controller.SetPlayer(std::move(made));
    }
    PreviewSettings Tool(const std::string& body) {
        const std::string path = dir / "player";
        qvtest::WriteFile(path, "#!/bin/bash\n" + body + "\n");
        ::chmod(path.c_str(), 0755);
        return {path, 1, 1};
    }
};

// Never begins to play.
constexpr const char* kStalls = "sleep 30";
// Plays, always at 12 seconds, and notes the commands it is sent; gives up
// when it is sent "fail".
std::string Plays(const std::string& commands) {
    return "echo 'VO: [null] 258x180'; while :; do echo ANS_TIME_POSITION=12.0; "
           "if read -t 0.1 line; then echo \"$line\" >> '" +
           commands +
           "'; if [ \"$line\" = fail ]; then echo 'Exiting... (gave up)'; exit 1; fi; fi; done";
}

} // namespace

TEST(PreviewArithmetic, TheSliderFollowsTheTrimmedLengthAndSeeksInWholeSeconds) {
    // A 1:00 to 3:00 trim gives a length of 120: the slider stops past it.
    EXPECT_EQ(SliderPositionFor(60, 120, 0, 100), 50);
    EXPECT_EQ(SliderPositionFor(119, 120, 0, 100), 99);
    EXPECT_EQ(SliderPositionFor(120, 120, 0, 100), 100);
    EXPECT_EQ(SliderPositionFor(121, 120, 0, 100), std::nullopt);
    EXPECT_EQ(SliderPositionFor(0, 0, 0, 100), 0);
    EXPECT_EQ(SliderPositionFor(5, 10, 60, 100), 60); // clamped to the range
    EXPECT_EQ(SeekTargetFor(50, 121), 60);
    EXPECT_EQ(SeekTargetFor(100, 121), 121);
    EXPECT_EQ(SeekTargetFor(0, 121), 0);
    EXPECT_EQ(PreviewTimeText(3725, "02:00:00"), "01:02:05/02:00:00");
    EXPECT_EQ(PreviewTimeText(59, ""), "00:00:59/00:00:00");
    EXPECT_EQ(PreviewTimeText(359999, "99:59:59"), "99:59:59/99:59:59");
    // An unknown length (no trim read): the slider moves only at 0 and a
    // seek goes to the start; the player's unknown position -1 reads 0.
    EXPECT_EQ(SliderPositionFor(1, 0, 0, 100), std::nullopt);
    EXPECT_EQ(SeekTargetFor(70, 0), 0);
    EXPECT_EQ(SliderPositionFor(-1, 120, 0, 100), 0);
}

TEST(PreviewArithmetic, TheMediaArgumentOfAFileAndOfADvdTitle) {
    CMediaRecord file;
    file.sourcePath = "/v/a clip.mp4";
    EXPECT_EQ(PreviewMediaArgument(file, 1), "\"/v/a clip.mp4\"");
    CMediaRecord title;
    title.kind = KindDvdTitle;
    title.sourcePath = "/dvd/VIDEO_TS/";
    title.titleNumber = 3;
    title.audioTracks = {TrackEntry::Make("ac3 en", 128), TrackEntry::Make("ac3 fr", 129)};
    title.audioIndex = 1;
    title.subtitleTracks = {TrackEntry::Make("en", 0)};
    title.subtitleIndex = 0;
    EXPECT_EQ(PreviewMediaArgument(title, 1),
              "-dvd-device \"/dvd/VIDEO_TS\" dvd://3 -aid 129 -sid 0");
    title.manyTitles = 1;
    title.subtitleIndex = -1;
    EXPECT_EQ(PreviewMediaArgument(title, 1), "-dvd-device \"/dvd/VIDEO_TS\" dvdnav://3 -aid 129");
    EXPECT_EQ(PreviewMediaArgument(title, 2), "-dvd-device \"/dvd/VIDEO_TS\" dvd://3 -aid 129");
    title.manyTitles = 0;
    title.audioIndex = 5; // outside its list: left out
    EXPECT_EQ(PreviewMediaArgument(title, 3), "-dvd-device \"/dvd/VIDEO_TS\" dvdnav://3");

    // A double quote in a name stays inside the one argument the player is given.
    for (const char* path : {"/v/say \"hi\".mp4", "/v/end\\\".mp4", "/v/\"", "/v/a\\\\b.avi"}) {
        file.sourcePath = path;
        EXPECT_EQ(SplitCommandLine("player " + PreviewMediaArgument(file, 1)),
                  (std::vector<std::string>{"player", path}));
    }
    title.sourcePath = "/d/\"x\"/VIDEO_TS/";
    EXPECT_EQ(SplitCommandLine(PreviewMediaArgument(title, 2)),
              (std::vector<std::string>{"-dvd-device", "/d/\"x\"/VIDEO_TS", "dvd://3"}));
}

TEST(PreviewController, WithoutAPlayerTheSelectionStillShowsItsCaptionAndLength) {
    RecordingView view;
    PreviewController preview(view);
    auto clip = Clip("/v/a clip.avi");
    preview.Play(*clip, {"/no/player", 1, 1});
    EXPECT_EQ(preview.State(), PlayerStopped);
    preview.Select(*clip);
    EXPECT_EQ(view.caption, "a clip.avi");
    EXPECT_EQ(view.time, "00:00:00/00:00:30");
    CMediaRecord title;
    title.kind = KindDvdTitle;
    title.sourcePath = "/dvd/VIDEO_TS/";
    title.titleNumber = 2;
    preview.Select(title);
    EXPECT_EQ(view.caption, "/dvd/VIDEO_TS///2");
    EXPECT_EQ(view.time, "00:00:00/00:00:00"); // no length known
    preview.ShowNoSource();
    EXPECT_EQ(view.caption, "预览");
    EXPECT_EQ(view.time, "00:00:00/00:00:00");
    view.slider = 40;
    preview.OnSliderMoved();
    EXPECT_EQ(view.slider, PreviewController::kSliderMin);
}

TEST(PreviewController, WhileStartingTheSliderGoesBackAndStopOrAnotherSourceEndsThePlayer) {
    Preview p;
    auto clip = Clip("/v/a.avi"), other = Clip("/v/b.avi");
    const PreviewSettings tool = p.Tool(kStalls);
    p.controller.Play(*clip, tool);
    ASSERT_EQ(p.controller.State(), PlayerStarting);
    p.view.slider = 40;
    p.controller.OnSliderMoved();
    EXPECT_EQ(p.view.slider, 0);
    EXPECT_EQ(p.view.time, ""); // the time text waits for the playback

    // Stop ends a starting player, and the display is reset.
    pid_t pid = p.player->ProcessId();
    p.controller.Stop();
    EXPECT_EQ(p.controller.State(), PlayerStopped);
    EXPECT_TRUE(qvtest::ProcessGone(pid));
    EXPECT_TRUE(Until([&] { return p.view.restored == 1; }));
    EXPECT_EQ(p.view.time, "00:00:00/00:00:30");

    // Play again while starting: the new source replaces the old.
    p.controller.Play(*clip, tool);
    pid = p.player->ProcessId();
    p.controller.Play(*other, tool);
    EXPECT_EQ(p.controller.State(), PlayerStarting);
    EXPECT_TRUE(qvtest::ProcessGone(pid));
    // Another selection ends it.
    p.controller.Select(*clip);
    EXPECT_EQ(p.controller.State(), PlayerStopped);

    // Removing other sources leaves it; removing the one it plays ends it.
    p.controller.Play(*clip, tool);
    std::vector<std::unique_ptr<CMediaRecord>> removed;
    removed.push_back(std::move(other));
    p.controller.Forget(removed);
    EXPECT_EQ(p.controller.State(), PlayerStarting);
    removed.push_back(std::move(clip));
    p.controller.Forget(removed);
    EXPECT_EQ(p.controller.State(), PlayerStopped);

    // A disc plays nothing.
    auto disc = std::make_unique<CMediaRecord>();
    disc->kind = KindDvdDisc;
    p.controller.Play(*disc, tool);
    EXPECT_EQ(p.player->ProcessId(), -1);
}

TEST(PreviewController, WhilePlayingTheDisplayFollowsSeeksAndStopsAfterAFailure) {
    Preview p;
    auto clip = Clip("/v/a.avi");
    const std::string commands = p.dir / "commands";
    p.controller.Play(*clip, p.Tool(Plays(commands)));
    ASSERT_TRUE(Until([&] { return p.view.time == "00:00:12/00:00:30"; }));
    // 12 of the trim's 24 seconds.
    EXPECT_TRUE(Until([&] { return p.view.slider == 50; }));

    // Three quarters of 24 seconds, asked for right after a quarter: the
    // first is still being sent when the second comes, and the second, the
    // last the user asked for, reaches the player all the same.
    p.view.slider = 25;
    p.controller.OnSliderMoved();
    p.view.slider = 75;
    p.controller.OnSliderMoved();
    EXPECT_TRUE(
        Until([&] { return qvtest::ReadFile(commands).find("seek 18 2\n") != std::string::npos; }));

    // A thumb the user holds stays where it is.
    p.view.held = true;
    p.view.slider = 90;
    RunEventsFor(PreviewController::kSliderPeriodMs + 300);
    EXPECT_EQ(p.view.slider, 90);
    p.view.held = false;
    EXPECT_TRUE(Until([&] { return p.view.slider == 50; }));

    // A player that failed while playing leaves the display at the start,
    // however long its last position would still be read.
    ASSERT_TRUE(Until([&] {
        p.player->SendCommand("fail"); // again when it was dropped
        return p.view.slider == 0;
    }));
    EXPECT_EQ(p.controller.State(), PlayerStopped);
    EXPECT_TRUE(p.view.messages.empty()); // once playing, giving up is no failure to tell
    EXPECT_EQ(p.view.slider, 0);
    EXPECT_EQ(p.view.time, "00:00:00/00:00:30");
    RunEventsFor(PreviewController::kSliderPeriodMs + 300);
    EXPECT_EQ(p.view.slider, 0);
    EXPECT_EQ(p.view.time, "00:00:00/00:00:30");
}

// A failed preview resets the display and says its likely cause;
// a failure of a run that another Play has replaced says nothing.
TEST(PreviewController, AFailureResetsTheDisplayAndSaysWhy) {
    Preview p;
    auto clip = Clip("/v/a.avi");
    const std::string snapshots = p.dir / "snapshots/";
    ::mkdir(snapshots.c_str(), 0755);
    p.controller.SetSnapshotFolder(snapshots);

    // The file cannot be played: the player gives up before playback.
    p.view.time = "stale";
    p.controller.Play(*clip, p.Tool("echo 'Cannot open file'; echo 'Exiting... (End of file)'"));
    ASSERT_TRUE(Until([&] { return !p.view.messages.empty(); }));
    EXPECT_NE(p.view.messages[0].find("a.avi"), std::string::npos);
    EXPECT_EQ(p.view.time, "00:00:00/00:00:30");
    EXPECT_EQ(p.view.slider, 0);
    EXPECT_NE(p.player->FailureText().find("Cannot open file"), std::string::npos);

    // No player tool: a message of its own.
    PreviewSettings missing = p.Tool("");
    missing.playerTool = p.dir / "no-such-player";
    p.controller.Play(*clip, missing);
    ASSERT_TRUE(Until([&] { return p.view.messages.size() == 2; }));
    EXPECT_TRUE(p.player->StartFailed());
    EXPECT_EQ(p.view.messages[1].find("a.avi"), std::string::npos);
    EXPECT_NE(p.view.messages[1], p.view.messages[0]);

    // The snapshot folder, which the player runs in, has gone.
    ::rmdir(snapshots.c_str());
    p.controller.Play(*clip, p.Tool(kStalls));
    ASSERT_TRUE(Until([&] { return p.view.messages.size() == 3; }));
    EXPECT_NE(p.view.messages[2].find(snapshots), std::string::npos);

    // A run that failed after the next one began is not reported.
    ::mkdir(snapshots.c_str(), 0755);
    p.controller.Play(*clip, p.Tool(kStalls));
    p.controller.OnPlayerMessage(WM_PLAYER_FAILED);
    RunEventsFor(100);
    EXPECT_EQ(p.view.messages.size(), 3u);
    EXPECT_EQ(p.controller.State(), PlayerStarting);
}

TEST(PreviewController, TheSnapshotFolderOpensShortlyAfterItIsAskedFor) {
    RecordingView view;
    PreviewController preview(view);
    preview.SetSnapshotFolder("/snap/");
    preview.OpenSnapshotFolder();
    EXPECT_TRUE(view.opened.empty());
    EXPECT_TRUE(Until([&] { return !view.opened.empty(); }));
    RunEventsFor(3 * PreviewController::kSnapshotDelayMs);
    EXPECT_EQ(view.opened, (std::vector<std::string>{"/snap/"}));
}
