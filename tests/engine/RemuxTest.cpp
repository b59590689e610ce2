// The MP4 formats through the real tools: encoder run, remux, clean-up.
#include "engine/EncoderRun.h"

#include "support/MediaInfo.h"
#include "support/Paths.h"
#include "support/QuietBatch.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

using namespace qv;
using qvtest::MediaInfo;

namespace {

class IpodBatch : public qvtest::QuietBatch {
public:
    IpodBatch(const std::string& format, const std::string& folder)
        : QuietBatch(ProfileRecord{}, EngineSettings{}, folder) {
        job.kind = KindFile;
        job.sourcePath = qvtest::MediaDir() + "av.mp4";
        job.baseName = "clip";
        job.fullLength = job.trimEnd = "00:00:04";
        job.trimStart = "00:00:01";
        job.frameRate = "25";
        job.width = 640;
        job.height = 480;
        profile = ProfileRecord{};
        SetFieldText(profile.name, format);
        SetFieldText(profile.outputFormat, format);
        SetFieldText(profile.frameRate, "29.97");
        bool h264 = format == "ipod_h264";
        SetFieldText(profile.videoCodecs[0].name, h264 ? "x264" : "mpeg4");
        SetFieldText(profile.videoCodecs[0].family, h264 ? "x264" : "lavc");
        SetFieldText(profile.videoCodec, h264 ? "x264" : "mpeg4");
        SetFieldText(profile.audioCodecs[0].name, "aac");
        SetFieldText(profile.audioCodecs[0].family, "faac");
        SetFieldText(profile.audioCodec, "aac");
        profile.videoCodecCount = profile.audioCodecCount = 1;
        profile.width = 320;
        profile.height = 240;
        profile.videoBitRate = 500;
        profile.audioBitRate = 96;
        profile.sampleRate = 44100;
        profile.channels = 2;
    }
};

std::set<std::string> Files(const std::string& dir) {
    std::set<std::string> names;
    if (DIR* d = ::opendir(dir.c_str())) {
        while (dirent* e = ::readdir(d))
            if (e->d_name[0] != '.')
                names.insert(e->d_name);
        ::closedir(d);
    }
    return names;
}

} // namespace

TEST(Remux, BothMp4FormatsLeaveOnlyTheMp4AndRespectExistingNames) {
    for (const char* format : {"ipod_h264", "ipod_mpeg4"}) {
        qvtest::TempDir out;
        // A result of an earlier run and a file of the user's that bears the
        // intermediate's name, and the raw streams' names.
        qvtest::WriteFile(out / "clip.mp4", "earlier");
        qvtest::WriteFile(out / "tmp_clip.avi", "mine");
        qvtest::WriteFile(out / "tmp_clip(1).264", "mine too");
        IpodBatch batch(format, out.path());
        RunJob(batch);
        EXPECT_EQ(batch.outcome, OutcomeSucceeded) << format;
        EXPECT_EQ(batch.job.outputPath, out / "clip(1).mp4");
        EXPECT_EQ(Files(out.path()), (std::set<std::string>{"clip.mp4", "clip(1).mp4",
                                                            "tmp_clip.avi", "tmp_clip(1).264"}))
            << format;
        EXPECT_EQ(qvtest::ReadFile(out / "tmp_clip.avi"), "mine");
        EXPECT_EQ(qvtest::ReadFile(out / "tmp_clip(1).264"), "mine too");
        MediaInfo m(batch.job.outputPath);
        EXPECT_EQ(m.Get(MediaInfo::General, "Format"), "MPEG-4");
        EXPECT_EQ(m.Get(MediaInfo::Video, "Format"),
                  std::string(format) == "ipod_h264" ? "AVC" : "MPEG-4 Visual");
        EXPECT_EQ(m.Get(MediaInfo::Audio, "Format"), "AAC");
        EXPECT_NEAR(m.Number(MediaInfo::Video, "FrameRate"), 29.970, 0.001);
        EXPECT_NEAR(m.Seconds(), 3.0, 0.3);
    }
}

TEST(Remux, AFailedEncoderRunStillCleansUpAndFails) {
    qvtest::TempDir out;
    IpodBatch batch("ipod_h264", out.path());
    batch.job.sourcePath = qvtest::MediaDir() + "sound.wav"; // no video: the encoder gives up
    RunJob(batch);
    EXPECT_EQ(batch.outcome, OutcomeFailed);
    EXPECT_TRUE(Files(out.path()).empty()) << *Files(out.path()).begin();
}

// A program folder whose encoder is the real one except for the step named
// by failOn, which fails as a broken tool would.
class FailingStepTools {
public:
    explicit FailingStepTools(const std::string& failOn) {
        ::mkdir((dir_ / "codecs").c_str(), 0755);
        const std::string real = qvtest::ProgramDir() + "codecs/";
        qvtest::WriteFile(dir_ / "codecs/quenzo",
                          "#!/bin/sh\ncase \" $* \" in *' " + failOn +
                              " '*) echo '退出.. broken'; exit 1;; esac\nexec '" + real +
                              "quenzo' \"$@\"\n");
        ::chmod((dir_ / "codecs/quenzo").c_str(), 0755);
        EXPECT_EQ(::symlink((real + "mp4creator").c_str(), (dir_ / "codecs/mp4creator").c_str()),
                  0);
    }
    std::string Folder() const { return dir_.path() + "/"; }

private:
    qvtest::TempDir dir_;
};

TEST(Remux, AFailingStepFailsTheJobAndRemovesTheIntermediate) {
    for (const char* step : {"rawvideo", "rawaudio"}) {
        qvtest::TempDir out;
        FailingStepTools tools(step);
        IpodBatch batch("ipod_h264", out.path());
        batch.SetTools(tools.Folder());
        RunJob(batch);
        EXPECT_EQ(batch.outcome, OutcomeFailed) << step;
        // No MP4, and none of the step's files: the next run takes the same names.
        EXPECT_EQ(Files(out.path()), std::set<std::string>{}) << step;
    }
}
