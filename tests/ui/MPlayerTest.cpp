#include "player/MPlayer.h"

#include "platform/CommandLine.h"
#include "platform/Messages.h"
#include "support/Paths.h"
#include "support/Process.h"
#include "support/TempDir.h"
#include "support/Wait.h"

#include <QEvent>
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <thread>

using namespace qv;
using qvtest::Until;

namespace {

// Records the player's messages.
class Owner : public QObject {
public:
    std::vector<int> messages;
    bool Has(int m) const {
        return std::find(messages.begin(), messages.end(), m) != messages.end();
    }

protected:
    void customEvent(QEvent* e) override { messages.push_back(static_cast<int>(e->type())); }
};

struct Preview {
    Owner owner;
    CMPlayer player{&owner};
    explicit Preview(const std::string& media,
                     const std::string& tool = qvtest::ProgramDir() + "codecs/vistrel") {
        player.commandLevel = 5;
        player.SetPlayerPath(tool);
        player.SetMedia(media);
        player.videoOutput = 1; // null
        player.audioOutput = 1; // null
    }
};

std::string Quoted(const std::string& name) {
    return qv::QuotePath(qvtest::MediaDir() + name);
}

std::string FakePlayer(const qvtest::TempDir& dir, const std::string& body) {
    std::string path = dir / "player";
    qvtest::WriteFile(path, "#!/bin/sh\n" + body + "\n");
    ::chmod(path.c_str(), 0755);
    return path;
}

} // namespace

TEST(MPlayer, TheCommandLineInItsOrder) {
    Owner owner;
    CMPlayer p(&owner);
    p.SetPlayerPath("/opt/q/codecs/vistrel");
    p.windowId = 77;
    p.videoOutput = 4;
    p.audioOutput = 2;
    p.SetMedia("\"/v/a b.avi\"");
    EXPECT_EQ(p.CommandLine(),
              "\"/opt/q/codecs/vistrel\" -wid 77 -priority normal -quiet -slave -identify "
              "-colorkey 0x10 -nokeepaspect -vf-add screenshot,scale=258:-2,expand=258:180 "
              "-noautosub -vo gl -ao dsound \"/v/a b.avi\" ");
    p.priority = 0;
    p.autoSubtitles = true;
    p.SetSubtitleFont("/f/simsun.ttf");
    p.subtitleCodePage = 17;
    p.videoOutput = 0;
    p.audioOutput = 9;
    p.contrast = -3;
    EXPECT_EQ(p.CommandLine(),
              "\"/opt/q/codecs/vistrel\" -wid 77 -priority idle -quiet -slave -identify "
              "-colorkey 0x10 -nokeepaspect -vf-add screenshot,scale=258:-2,expand=258:180 "
              "-autosub -font \"/f/simsun.ttf\" -subcp CP936 -novideo -nosound -contrast -3 "
              "\"/v/a b.avi\" ");
    EXPECT_EQ(p.SendCommand("pause"), -1); // not playing
}

TEST(MPlayer, AVideoClipPlaysSeeksAndStopsWithNothingLeft) {
    Preview v(Quoted("av.mp4"));
    v.player.Play();
    EXPECT_EQ(v.player.State(), PlayerStarting);
    ASSERT_TRUE(Until([&] { return v.player.State() == PlayerPlaying; }))
        << v.player.Run().lastLine;
    EXPECT_EQ(v.owner.messages.front(), WM_PLAYER_LAUNCHED);
    ASSERT_TRUE(Until([&] { return v.owner.Has(WM_PLAYER_PLAYING); }));
    EXPECT_EQ(v.player.Run().videoWidth, 640);
    v.player.Seek(3);
    ASSERT_TRUE(Until([&] { return v.player.Position() >= 3; })) << v.player.Position();
    pid_t pid = v.player.ProcessId();
    v.player.Stop();
    EXPECT_EQ(v.player.State(), PlayerStopped);
    EXPECT_TRUE(Until([&] { return v.owner.Has(WM_PLAYER_STOPPED); }));
    EXPECT_TRUE(qvtest::ProcessGone(pid));
    // The player's own child was killed with its group: it is gone once the
    // system has reaped it, a moment later on a busy machine.
    EXPECT_TRUE(Until(
        [&] {
            return std::system(("pgrep -g " + std::to_string(pid) + " >/dev/null").c_str()) != 0;
        },
        3000));
}

TEST(MPlayer, AnAudioOnlyClipPlaysAndEndsByItself) {
    Preview a(Quoted("sound.wav"));
    a.player.Play();
    ASSERT_TRUE(Until([&] { return a.player.State() == PlayerPlaying; }))
        << a.player.Run().lastLine;
    EXPECT_FALSE(a.player.Run().hasVideo);
    ASSERT_TRUE(Until([&] { return a.owner.Has(WM_PLAYER_ENDED); }, 15000));
    EXPECT_EQ(a.player.State(), PlayerStopped);
}

TEST(MPlayer, AMissingFileFailsAndStopWhileStartingWorks) {
    Preview missing(Quoted("no-such-file.avi"));
    missing.player.Play();
    ASSERT_TRUE(Until([&] { return missing.owner.Has(WM_PLAYER_FAILED); }));
    EXPECT_EQ(missing.player.State(), PlayerStopped);

    qvtest::TempDir dir;
    Preview slow("x", FakePlayer(dir, "sleep 30"));
    slow.player.Play();
    ASSERT_EQ(slow.player.State(), PlayerStarting);
    pid_t pid = slow.player.ProcessId();
    slow.player.Stop();
    EXPECT_EQ(slow.player.State(), PlayerStopped);
    EXPECT_TRUE(Until([&] { return slow.owner.Has(WM_PLAYER_STOPPED); }));
    EXPECT_TRUE(qvtest::ProcessGone(pid));
}

TEST(MPlayer, TheWatchdogEndsAPlayerNobodyPolls) {
    qvtest::TempDir dir;
    Preview quiet("x", FakePlayer(dir, "sleep 60"));
    const int saved = CMPlayer::watchdogLimitMs;
    CMPlayer::watchdogLimitMs = 300;
    quiet.player.Play();
    pid_t pid = quiet.player.ProcessId();
    // The window thread is busy elsewhere: no poll stamps the time.
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    EXPECT_TRUE(qvtest::ProcessGone(pid));
    EXPECT_TRUE(Until([&] { return quiet.owner.Has(WM_PLAYER_FAILED); }));
    CMPlayer::watchdogLimitMs = saved;
}

TEST(MPlayer, APlayerThatIgnoresQuitIsEndedWithoutAWait) {
    qvtest::TempDir dir;
    Preview stubborn("x", FakePlayer(dir, "trap '' TERM; echo 'VO: [null] 258x180'; "
                                          "while read line; do echo \"$line\" >> '" +
                                              dir / "got" + "'; done"));
    stubborn.player.Play();
    ASSERT_TRUE(Until([&] { return stubborn.player.State() == PlayerPlaying; }));
    EXPECT_EQ(stubborn.player.SendCommand("first"), 0);
    EXPECT_EQ(stubborn.player.SendCommand("second"), 0); // dropped or not: never refused
    pid_t pid = stubborn.player.ProcessId();
    stubborn.player.Stop();
    EXPECT_EQ(stubborn.player.State(), PlayerStopped);
    EXPECT_TRUE(qvtest::ProcessGone(pid));
    std::string got = qvtest::ReadFile(dir / "got");
    EXPECT_EQ(got.rfind("first\n", 0), 0u) << got;
}

TEST(MPlayer, NothingOutlivesStopOrDestruction) {
    auto openFds = [] {
        int n = 0;
        for (const char* dir = "/proc/self/fd"; DIR* d = ::opendir(dir);) {
            while (::readdir(d))
                ++n;
            ::closedir(d);
            break;
        }
        return n;
    };
    qvtest::TempDir dir;
    const std::string player = FakePlayer(dir, "echo 'VO: [null] 258x180'; sleep 60");
    const int before = openFds();
    pid_t pid;
    {
        Preview p("x", player);
        p.player.Play();
        ASSERT_TRUE(Until([&] { return p.player.State() == PlayerPlaying; }));
        p.player.Stop();
        p.player.Play(); // a second run of the same object, ended by its destruction
        ASSERT_TRUE(Until([&] { return p.player.State() == PlayerPlaying; }));
        pid = p.player.ProcessId();
    }
    EXPECT_TRUE(qvtest::ProcessGone(pid));
    EXPECT_EQ(openFds(), before);
}
