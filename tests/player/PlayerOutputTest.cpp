#include "player/PlayerOutput.h"

#include <gtest/gtest.h>

using namespace qv;

namespace {

PlayerRunState Starting() {
    PlayerRunState run;
    run.state = PlayerStarting;
    return run;
}

} // namespace

TEST(PlayerOutput, PositionsInEveryStateWithTheCap) {
    PlayerRunState run = Starting();
    ParseLine(run, "ANS_TIME_POSITION=12.7");
    EXPECT_EQ(run.position, 12);
    ParseLine(run, "ANS_TIME_POSITION=400000.0");
    EXPECT_EQ(run.position, 359999);
    ParseLine(run, "ANS_TIME_POSITION=-0.0"); // "%ld" reads 0
    EXPECT_EQ(run.position, 0);
    run.state = PlayerPlaying;
    ParseLine(run, "ANS_TIME_POSITION=359998.9");
    EXPECT_EQ(run.position, 359998);
}

TEST(PlayerOutput, IdentificationOnlyWhileStarting) {
    PlayerRunState run = Starting();
    EXPECT_EQ(ParseLine(run, "ID_VIDEO_WIDTH=720"), LineEffect::None);
    EXPECT_EQ(run.videoWidth, 720);
    ParseLine(run, "ID_VIDEO_FPS=29.970");
    EXPECT_FLOAT_EQ(run.videoFps, 29.97f);
    ParseLine(run, "ID_AUDIO_NCH=6");
    EXPECT_EQ(run.audioChannels, 6);
    ParseLine(run, "ID_AUDIO_CODEC=ffaac");
    EXPECT_EQ(run.audioCodec, "ffaac");
    ParseLine(run, "Cache fill:  7.50% (40960 bytes) 缓存填充:");
    EXPECT_FLOAT_EQ(run.cacheFill, 7.5f);
    ParseLine(run, "Cache fill: 140.00% 缓存填充:");
    EXPECT_FLOAT_EQ(run.cacheFill, 100.0f);
    ParseLine(run, " 标题:Holiday");
    EXPECT_EQ(run.title, "Holiday");
    ParseLine(run, " 艺人: Someone");
    EXPECT_EQ(run.artist, "Someone");
    run.state = PlayerPlaying;
    ParseLine(run, "ID_VIDEO_WIDTH=1920");
    EXPECT_EQ(run.videoWidth, 720);
}

TEST(PlayerOutput, WhenPlaybackBeginsAndWhenThePlayerGivesUp) {
    PlayerRunState run = Starting();
    EXPECT_EQ(ParseLine(run, "Starting playback..."), LineEffect::None); // with video: not yet
    EXPECT_EQ(ParseLine(run, "xx VO: [null] 258x180"), LineEffect::None);
    EXPECT_EQ(ParseLine(run, "VO: [null] 258x180 => 258x180 Planar YV12"),
              LineEffect::PlaybackBegan);

    PlayerRunState sound = Starting();
    EXPECT_EQ(ParseLine(sound, "视频:没有视频"), LineEffect::None);
    EXPECT_FALSE(sound.hasVideo);
    EXPECT_EQ(ParseLine(sound, "VO: [null]"), LineEffect::None);
    EXPECT_EQ(ParseLine(sound, "Starting playback..."), LineEffect::PlaybackBegan);

    PlayerRunState failing = Starting();
    EXPECT_EQ(ParseLine(failing, "Exiting... (End of file)"), LineEffect::GaveUp);
    EXPECT_EQ(ParseLine(failing, "MPlayer interrupted by signal 15"), LineEffect::GaveUp);
    failing.state = PlayerPlaying;
    EXPECT_EQ(ParseLine(failing, "Exiting... (End of file)"), LineEffect::None);
}

TEST(PlayerOutput, TheMailboxDropsACommandWhileThePreviousIsUnwritten) {
    CommandMailbox box;
    box.Reset();
    EXPECT_TRUE(box.Post("first\n"));
    EXPECT_FALSE(box.Post("second\n"));
    EXPECT_EQ(box.Command(), "first\n");
    box.Written();
    EXPECT_TRUE(box.Post(std::string(45, 'x') + "\n"));
    EXPECT_EQ(box.Command(), std::string(39, 'x')); // cut: no line end left
}
