// The engine's own refusals and choices before the encoder runs: a span
// outside the source, the zoom mode's filter chain, a single channel.
#include "engine/EncoderCommand.h"
#include "engine/EncoderRun.h"

#include "support/QuietBatch.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace qv;

namespace {

CMediaRecord Span(const char* length, const char* start, const char* end) {
    CMediaRecord job;
    job.fullLength = length;
    job.trimStart = start;
    job.trimEnd = end;
    return job;
}

class ReasonBatch : public qvtest::QuietBatch {
public:
    using QuietBatch::QuietBatch;
    void Report(const StageReport& r) override {
        QuietBatch::Report(r);
        if (r.stage == Stage::Failed)
            reason_ = r.reason;
    }
    std::string reason_;
};

} // namespace

TEST(JobSpan, SpansOutsideTheSourceAreFaults) {
    EXPECT_EQ(CheckJobSpan(Span("00:00:05", "00:00:00", "00:00:05")).Reason(), "");
    EXPECT_EQ(CheckJobSpan(Span("00:00:05", "00:00:01", "00:00:03")).Reason(), "");
    EXPECT_NE(
        CheckJobSpan(Span("00:00:05", "00:00:05", "00:00:05")).Reason().find("start 00:00:05"),
        std::string::npos);
    EXPECT_NE(CheckJobSpan(Span("00:00:05", "00:00:09", "00:00:10")).Reason().find("start"),
              std::string::npos);
    EXPECT_NE(CheckJobSpan(Span("00:00:05", "00:00:00", "00:00:06")).Reason().find("end 00:00:06"),
              std::string::npos);
    EXPECT_NE(
        CheckJobSpan(Span("00:00:05", "00:00:03", "00:00:02")).Reason().find("not after the start"),
        std::string::npos);
    // A length the probe or scan could not give is nothing to measure against.
    EXPECT_EQ(CheckJobSpan(Span("", "00:00:00", "00:00:10")).Reason(), "");
    EXPECT_TRUE(CheckJobSpan(Span("", "00:00:00", "00:00:10")).Ok());
}

TEST(JobSpan, TheEngineRefusesBeforeWritingAnything) {
    for (const char* end : {"00:00:09", "00:00:05"}) {
        qvtest::TempDir dir;
        ReasonBatch batch(qvtest::XvidAviProfile(320, 240, 400, 96), EngineSettings{}, dir.path());
        batch.job = Span("00:00:05", end[7] == '9' ? "00:00:00" : "00:00:06", end);
        batch.job.sourcePath = qvtest::MediaDir() + "small.mp4";
        batch.job.baseName = "clip";
        batch.job.frameRate = "25";
        RunJob(batch);
        EXPECT_EQ(batch.outcome, OutcomeFailed) << end;
        EXPECT_NE(batch.reason_.find("of the source (00:00:05)"), std::string::npos)
            << batch.reason_;
        EXPECT_EQ(qvtest::ReadDirFirst(dir.path()), "") << end;
    }
}

TEST(JobSpan, AnEncoderThatGivesUpTellsWhy) {
    qvtest::TempDir dir;
    ReasonBatch batch(qvtest::XvidAviProfile(320, 240, 400, 96), EngineSettings{}, dir.path());
    batch.job = Span("00:00:03", "00:00:00", "00:00:03");
    batch.job.sourcePath = qvtest::MediaDir() + "notmedia.avi";
    batch.job.baseName = "clip";
    batch.job.frameRate = "25";
    RunJob(batch);
    EXPECT_EQ(batch.outcome, OutcomeFailed);
    EXPECT_NE(batch.reason_.find("damaged"), std::string::npos) << batch.reason_;
}

TEST(ZoomMode, FullScreenStretchesPanAndScaleFillsAndLetterboxFits) {
    ProfileRecord p = qvtest::XvidAviProfile(640, 480, 800, 128);
    CMediaRecord job;
    job.baseName = "clip";
    job.width = 360; // an upright phone clip
    job.height = 640;
    qvtest::TempDir dir;
    auto filter = [&](const char* zoom) {
        SetFieldText(p.zoomMode, zoom);
        return BuildEncoderCommand(job, p, EngineSettings{}, dir.path(), "/p/").VFilter;
    };
    EXPECT_EQ(filter("letterbox"), " -vf-add scale=640:-2,expand=:480:::,crop=640:480");
    EXPECT_EQ(filter("fullscreen"), " -vf-add scale=640:480");
    EXPECT_EQ(filter("panscale"), " -vf-add scale=640:1138,crop=640:480");
    // Without the source's size (a DVD title) pan and scale falls back to the fit.
    job.width = job.height = 0;
    EXPECT_EQ(filter("panscale"), " -vf-add scale=640:-2,expand=:480:::,crop=640:480");
}

TEST(ChannelCount, OneChannelReachesEveryAudioCodec) {
    ProfileRecord p = qvtest::XvidAviProfile(640, 480, 800, 128);
    SetFieldText(p.audioCodecs[1].name, "aac");
    SetFieldText(p.audioCodecs[1].family, "faac");
    p.audioCodecCount = 2;
    CMediaRecord job;
    job.baseName = "clip";
    qvtest::TempDir dir;
    auto filter = [&](const char* codec, int channels) {
        SetFieldText(p.audioCodec, codec);
        p.channels = channels;
        return BuildEncoderCommand(job, p, EngineSettings{}, dir.path(), "/p/").AFilter;
    };
    EXPECT_EQ(filter("aac", 1), "-af volnorm,channels=1");
    EXPECT_EQ(filter("aac", 2), "-af volnorm");
    EXPECT_EQ(filter("mp3", 1), "-af volnorm"); // its mode=3 says it
}
