// A result is only a success once it holds what the job asked for.
#include "engine/ResultCheck.h"

#include "support/FakeTool.h"
#include "support/Paths.h"
#include "support/QuietBatch.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace qv;

namespace {

const std::string kSource = qvtest::MediaDir() + "small.mp4"; // 5 s, 320x240, stereo

// The folder comes first: the batch is made with its path.
struct OutFolder {
    qvtest::TempDir out;
};

struct Job : OutFolder, qvtest::QuietBatch {
    explicit Job(const std::string& source, const std::string& length, const std::string& tools,
                 ProfileRecord p = qvtest::XvidAviProfile(-1, -1, 400, 96))
        : QuietBatch(p, EngineSettings{}, out.path(), tools) {
        job.kind = KindFile;
        job.sourcePath = source;
        job.baseName = "clip";
        job.trimStart = "00:00:00";
        job.fullLength = job.trimEnd = length;
        job.frameRate = "25";
        job.width = 320;
        job.height = 240;
    }
};

} // namespace

TEST(ResultCheck, ResultsOfAnEncoderThatLiesFailWithTheirReason) {
    const std::string media = qvtest::MediaDir();
    const struct {
        std::string script, reason;
    } lies[] = {
        {"ffmpeg -nostdin -loglevel error -y -i '" + kSource + "' -t 1 -c copy -f mp4 \"$out\"",
         "the result lasts 1.0 s of 5.0 s"},
        {"cp '" + media + "silent.mp4' \"$out\"", "the result has no audio stream"},
        {"cp '" + media + "sound.wav' \"$out\"", "the result has no video stream"},
        {"cp '" + media + "notmedia.avi' \"$out\"", "the result cannot be read as media"},
        {": > \"$out\"", "the encoder wrote nothing"},
    };
    for (const auto& lie : lies) {
        qvtest::FakeProgramFolder tools(lie.script);
        Job j(kSource, "00:00:05", tools.Folder());
        RunJob(j);
        EXPECT_EQ(j.outcome, OutcomeFailed) << lie.script;
        EXPECT_EQ(j.failure, lie.reason);
        EXPECT_FALSE(qvtest::FileExists(j.out / "clip.avi")) << lie.script;
        EXPECT_FALSE(qvtest::FileExists(j.out / "clip.avi.partial")) << lie.script;
    }
}

TEST(ResultCheck, RealJobsPassTrimmedOrNotAndWithUnequalStreams) {
    {
        Job j(kSource, "00:00:05", qvtest::ProgramDir());
        RunJob(j);
        EXPECT_EQ(j.outcome, OutcomeSucceeded) << j.failure;
    }
    {
        Job j(kSource, "00:00:05", qvtest::ProgramDir());
        j.job.trimStart = "00:00:01";
        j.job.trimEnd = "00:00:03";
        RunJob(j);
        EXPECT_EQ(j.outcome, OutcomeSucceeded) << j.failure;
    }
    // 4 s of picture with 2 s of sound: as video, and as sound alone.
    const std::string unequal = qvtest::MediaDir() + "unequal.mp4";
    {
        Job j(unequal, "00:00:04", qvtest::ProgramDir());
        RunJob(j);
        EXPECT_EQ(j.outcome, OutcomeSucceeded) << j.failure;
    }
    {
        ProfileRecord mp3{};
        SetFieldText(mp3.name, "MP3");
        SetFieldText(mp3.kind, "audio");
        SetFieldText(mp3.outputFormat, "mp3");
        SetFieldText(mp3.muxerOptions, "-of rawaudio -ovc frameno");
        SetFieldText(mp3.audioCodecs[0].name, "mp3");
        SetFieldText(mp3.audioCodecs[0].family, "mp3lame");
        SetFieldText(mp3.audioCodec, "mp3");
        mp3.audioCodecCount = 1;
        mp3.audioBitRate = 128;
        mp3.sampleRate = 44100;
        mp3.channels = 2;
        // The span a sound-only result must last ends with the sound.
        Job j(unequal, "00:00:04", qvtest::ProgramDir(), mp3);
        ResultNeeds needs = NeedsOfJob(j.job, mp3, EngineSettings{}, true, true);
        EXPECT_FALSE(needs.video);
        EXPECT_TRUE(needs.audio);
        EXPECT_NEAR(needs.seconds, 2.0, 0.1);
        EXPECT_EQ(needs.channels, 2);
        RunJob(j);
        EXPECT_EQ(j.outcome, OutcomeSucceeded) << j.failure;
        EXPECT_TRUE(qvtest::FileExists(j.out / "clip.mp3"));
    }
}

TEST(ResultCheck, ADvdTitleWithItsMonoTrackPasses) {
    Job j(qvtest::MediaDir() + "dvd/VIDEO_TS/", "00:00:05", qvtest::ProgramDir());
    j.job.kind = KindDvdTitle;
    j.job.titleNumber = 1;
    j.job.width = j.job.height = 0;
    j.job.audioTracks = {TrackEntry::Make("en AC3 2ch", 128), TrackEntry::Make("fr AC3 1ch", 129)};
    j.job.audioIndex = 1; // the mono one: a stereo profile keeps it mono
    RunJob(j);
    EXPECT_EQ(j.outcome, OutcomeSucceeded) << j.failure;
    EXPECT_TRUE(qvtest::FileExists(j.out / "clip.avi"));
}

TEST(ResultCheck, ChannelsAndFrameSizeWhereTheProfileAsks) {
    MediaFacts r;
    r.seconds = 6;
    r.videoStreams = r.audioStreams = 1;
    r.audioChannels = 1;
    r.width = 320;
    r.height = 180;
    ResultNeeds needs;
    needs.video = needs.audio = true;
    needs.seconds = 6.9; // within the second of slack
    EXPECT_EQ(CompareResult(r, needs).Reason(), "");
    needs.seconds = 100; // 2 % of 100 s is 2 s
    EXPECT_EQ(CompareResult(r, needs).Reason(), "the result lasts 6.0 s of 100.0 s");
    needs.seconds = 6;
    needs.channels = 2;
    EXPECT_EQ(CompareResult(r, needs).Reason(), "the result has 1 audio channel, not 2");
    needs.channels = 0;
    needs.width = 320;
    EXPECT_EQ(CompareResult(r, needs).Reason(), "");
    needs.height = 240;
    EXPECT_EQ(CompareResult(r, needs).Reason(), "the result's picture is 320x180, not 320x240");
}

TEST(ResultCheck, AKeptSubtitlesLastCueMayRunPastTheSpan) {
    MediaFacts r;
    r.seconds = 3.0; // the file, to the end of the last cue
    r.videoSeconds = 2.0;
    r.audioSeconds = 2.02;
    r.videoStreams = r.audioStreams = 1;
    ResultNeeds needs;
    needs.video = needs.audio = true;
    needs.seconds = 1.5;
    EXPECT_EQ(CompareResult(r, needs).Reason(), "the result lasts 3.0 s of 1.5 s");
    needs.keptSubtitle = true;
    EXPECT_EQ(CompareResult(r, needs).Reason(), "");
    // The picture and the sound still have to fill the span.
    needs.seconds = 4;
    EXPECT_EQ(CompareResult(r, needs).Reason(), "the result lasts 2.0 s of 4.0 s");
}
