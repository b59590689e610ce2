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

TEST(PlayerOutput, MarkersCountOnlyWhereThePlayerPrintsThem) {
    // A file name holding a marker's words is not that marker.
    PlayerRunState run = Starting();
    EXPECT_EQ(ParseLine(run, "Playing /media/interrupted clip.avi."), LineEffect::None);
    EXPECT_EQ(ParseLine(run, "Playing /media/Exiting (2).avi."), LineEffect::None);
    EXPECT_EQ(ParseLine(run, "Playing /media/ID_VIDEO_WIDTH=9.avi."), LineEffect::None);
    EXPECT_EQ(run.videoWidth, 320);
    run.hasVideo = false;
    EXPECT_EQ(ParseLine(run, "Playing Starting over.mp3."), LineEffect::None);
    EXPECT_EQ(ParseLine(run, " 标题:缓存填充: ID_AUDIO_NCH=6"), LineEffect::None);
    EXPECT_EQ(run.title, "缓存填充: ID_AUDIO_NCH=6");
    EXPECT_EQ(run.audioChannels, 0);
    EXPECT_FLOAT_EQ(run.cacheFill, 0.0f);
    // The audio bit rate is not read as the sample rate, nor the other way.
    ParseLine(run, "ID_AUDIO_BITRATE=128000");
    ParseLine(run, "ID_AUDIO_RATE=44100");
    EXPECT_EQ(run.audioBitRate, 128000);
    EXPECT_EQ(run.audioRate, 44100);
}

TEST(PlayerOutput, ALineSplitAcrossReadsComesOutWhole) {
    LineSplitter lines;
    std::string line;
    lines.Add("VO: [nu", 7);
    EXPECT_FALSE(lines.Next(&line));
    lines.Add("ll] 258x180\rANS_TIME", 20);
    ASSERT_TRUE(lines.Next(&line));
    EXPECT_EQ(line, "VO: [null] 258x180");
    EXPECT_FALSE(lines.Next(&line));
    lines.Add("_POSITION=3.0\n\n", 15);
    ASSERT_TRUE(lines.Next(&line));
    EXPECT_EQ(line, "ANS_TIME_POSITION=3.0");
    ASSERT_TRUE(lines.Next(&line));
    EXPECT_EQ(line, "");
    // An endless line is given out in bounded pieces.
    std::string flood(LineSplitter::kMaxLine + 10, 'x');
    lines.Add(flood.data(), flood.size());
    ASSERT_TRUE(lines.Next(&line));
    EXPECT_EQ(line.size(), LineSplitter::kMaxLine);
    EXPECT_FALSE(lines.Next(&line));
}
