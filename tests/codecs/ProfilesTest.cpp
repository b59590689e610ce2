// Every shipped profile converts a clip through RunJob, untrimmed and
// trimmed, with the default fitting and with fit-to-height rounded to 16.
#include "support/MediaInfo.h"
#include "support/Paths.h"
#include "support/QuietBatch.h"
#include "support/ShippedProfiles.h"
#include "support/TempDir.h"

#include "engine/EncoderRun.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>

using namespace qv;
using qvtest::MediaInfo;

namespace {

// What libmediainfo calls the containers and codecs the profiles promise.
const std::map<std::string, std::string> kContainer = {
    {"avi", "AVI"},           {"mp4", "MPEG-4"},        {"ipod_h264", "MPEG-4"},
    {"ipod_mpeg4", "MPEG-4"}, {"wmv", "Windows Media"}, {"flv", "Flash Video"},
    {"mpg", "MPEG-PS"},       {"3gp", "MPEG-4"},        {"mkv", "Matroska"},
    {"mp3", "MPEG Audio"},    {"wav", "Wave"},          {"aac", "ADTS"},
    {"m4a", "MPEG-4"},        {"ac3", "AC-3"},          {"ogg", "Ogg"},
    {"flac", "FLAC"},         {"wma", "Windows Media"}, {"webm", "WebM"},
    {"mov", "MPEG-4"},        {"opus", "Ogg"}};
const std::map<std::string, std::string> kVideo = {{"xvid", "MPEG-4 Visual"},
                                                   {"mpeg4", "MPEG-4 Visual"},
                                                   {"x264", "AVC"},
                                                   {"msmpeg4v2", "MS-MPEG4 v2"},
                                                   {"wmv2", "WMV2"},
                                                   {"wmv1", "WMV1"},
                                                   {"flv", "Sorenson Spark"},
                                                   {"mpeg1video", "MPEG Video"},
                                                   {"mpeg2video", "MPEG Video"},
                                                   {"h263", "H.263"},
                                                   {"hevc", "HEVC"},
                                                   {"av1", "AV1"},
                                                   {"vp9", "VP9"},
                                                   {"prores", "ProRes"}};
const std::map<std::string, std::string> kAudio = {{"mp3", "MPEG Audio"}, {"aac", "AAC"},
                                                   {"ac3", "AC-3"},       {"mp2", "MPEG Audio"},
                                                   {"wmav2", "WMA"},      {"libvorbis", "Vorbis"},
                                                   {"flac", "FLAC"},      {"pcm", "PCM"},
                                                   {"libopus", "Opus"},   {"alac", "ALAC"},
                                                   {"copy", "AAC"}}; // the sweep's clip's own sound

} // namespace

TEST(ShippedProfiles, EveryProfileConvertsUntrimmedAndTrimmedWithBothFittings) {
    std::unique_ptr<ProfileTable> table = qvtest::ShippedProfiles();
    ASSERT_GE(table->count, 21);
    EngineSettings fitHeight;
    fitHeight.FitWidth = 0;
    fitHeight.FitHeight = 1;
    fitHeight.RoundTo16Pix = 1;
    int passed = 0, runs = 0;
    for (int i = 0; i < table->count; ++i) {
        const ProfileRecord& p = table->records[i];
        const std::string name = FieldText(p.name);
        const std::string format = FieldText(p.outputFormat);
        for (const EngineSettings& settings : {EngineSettings{}, fitHeight}) {
            for (bool trimmed : {false, true}) {
                ++runs;
                qvtest::TempDir dir;
                qvtest::QuietBatch batch(p, settings, dir.path());
                CMediaRecord& job = batch.job;
                job.sourcePath = qvtest::MediaDir() + (p.IsAudioOnly() ? "small.wav" : "small.mp4");
                job.baseName = "clip";
                job.fullLength = "00:00:05";
                job.trimStart = trimmed ? "00:00:01" : "00:00:00";
                job.trimEnd = trimmed ? "00:00:03" : "00:00:05";
                if (!p.IsAudioOnly()) {
                    job.width = 320;
                    job.height = 240;
                }
                job.frameRate = "25";
                const std::string what = name + (trimmed ? ", trimmed" : "") +
                                         (settings.FitHeight ? ", fit height" : "");
                RunJob(batch);
                EXPECT_EQ(batch.outcome, OutcomeSucceeded) << what;
                MediaInfo info(job.outputPath);
                ASSERT_TRUE(info.Opened()) << what;
                bool ok = true;
                auto check = [&](bool good, const std::string& fact) {
                    EXPECT_TRUE(good) << what << ": " << fact;
                    ok = ok && good;
                };
                check(info.Get(MediaInfo::General, "Format") == kContainer.at(format),
                      "container " + info.Get(MediaInfo::General, "Format"));
                check(info.Get(MediaInfo::Audio, "Format") == kAudio.at(FieldText(p.audioCodec)),
                      "audio " + info.Get(MediaInfo::Audio, "Format"));
                if (format != "aac") // a raw ADTS stream states no length
                    check(std::abs(info.Seconds() - JobLengthSeconds(job)) <= 0.5,
                          "length " + std::to_string(info.Seconds()));
                if (p.IsAudioOnly()) {
                    check(info.Count(MediaInfo::Video) == 0, "a video stream");
                } else {
                    check(info.Get(MediaInfo::Video, "Format") ==
                              kVideo.at(FieldText(p.videoCodec)),
                          "video " + info.Get(MediaInfo::Video, "Format"));
                    int w = p.width > 0 ? p.width : 320, h = p.height > 0 ? p.height : 240;
                    check(info.Int(MediaInfo::Video, "Width") == w &&
                              info.Int(MediaInfo::Video, "Height") == h,
                          "size " + info.Get(MediaInfo::Video, "Width") + "x" +
                              info.Get(MediaInfo::Video, "Height"));
                }
                passed += ok && batch.outcome == OutcomeSucceeded;
            }
        }
    }
    std::printf("profile sweep: %d of %d runs passed (%d profiles x 4 cases)\n", passed, runs,
                table->count);
}
