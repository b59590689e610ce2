// Real-world sources through the shipped profiles: rotated phone clips,
// anamorphic DVD-size clips, 10-bit and 4:2:2 pictures, 5.1 sound, streams
// of unequal length, cover art and variable frame rates. Each source is
// probed as the program probes it and converted by RunJob; the result is
// checked with ffprobe and cropdetect.
#include "support/Picture.h"
#include "support/QuietBatch.h"
#include "support/RecordingServices.h"
#include "support/ShippedProfiles.h"
#include "support/TempDir.h"

#include "engine/EncoderRun.h"
#include "probe/MediaProbe.h"

#include <gtest/gtest.h>

#include <cmath>
#include <dirent.h>
#include <functional>
#include <map>
#include <memory>

using namespace qv;
using qvtest::StreamFacts;

namespace {

struct Source {
    const char* file;
    double aspect;  // display aspect of the picture
    double seconds; // the longer stream
    int channels;
};

const Source kRotated90{"rotated90.mp4", 9.0 / 16, 2, 2};
const Source kRotated270{"rotated270.mp4", 9.0 / 16, 2, 2};
const Source kWide{"anamorphic.mp4", 16.0 / 9, 3, 1};
const Source kNarrow{"anamorphic43.mp4", 4.0 / 3, 2, 1};
const Source kLongAudio{"longaudio.mp4", 4.0 / 3, 3.5, 1};
const Source kLongVideo{"longvideo.mp4", 4.0 / 3, 3.5, 1};
const Source kSurround{"surround.mp4", 4.0 / 3, 2, 6};

struct JobEnd {
    JobOutcome outcome = OutcomeFailed;
    std::string output;
    std::vector<std::string> others; // what else the job left in the folder
    StreamFacts facts;
    CMediaRecord job;
};

std::vector<std::string> FolderEntries(const std::string& dir) {
    std::vector<std::string> names;
    if (DIR* d = ::opendir(dir.c_str())) {
        while (dirent* e = ::readdir(d))
            if (std::string n = e->d_name; n != "." && n != "..")
                names.push_back(n);
        ::closedir(d);
    }
    return names;
}

// Probes and converts one source with one profile, as a user's batch would;
// inspect looks at the output before its folder goes.
JobEnd Convert(const ProfileRecord& profile, const std::string& file,
               const EngineSettings& settings = EngineSettings{},
               const std::function<void(const std::string&)>& inspect = nullptr) {
    qvtest::RecordingServices user;
    JobEnd r;
    qvtest::TempDir dir;
    qvtest::QuietBatch batch(profile, settings, dir.path());
    ProbeResult probe;
    const std::string path = qvtest::MediaDir() + file;
    EXPECT_TRUE(ProbeMediaFile(path, probe)) << file;
    FillFileRecord(batch.job, path, probe);
    RunJob(batch);
    r.outcome = batch.outcome;
    r.output = batch.job.outputPath;
    r.job = batch.job;
    for (const std::string& name : FolderEntries(dir.path()))
        if (dir / name != r.output)
            r.others.push_back(name);
    if (qvtest::FileExists(r.output)) {
        r.facts = qvtest::Examine(r.output);
        if (inspect)
            inspect(r.output);
    }
    return r;
}

const ProfileRecord& Profile(const char* name) {
    static std::unique_ptr<ProfileTable> table = qvtest::ShippedProfiles();
    const ProfileRecord* p = qvtest::FindProfile(*table, name);
    if (!p) {
        ADD_FAILURE() << "no shipped profile " << name;
        static ProfileRecord none{};
        return none;
    }
    return *p;
}

// The pixel format a profile promises: its codec's pixfmt=, else 8-bit 4:2:0.
std::string PixelsOf(const ProfileRecord& p) {
    const std::string options =
        FieldText(p.videoCodecs[FindVideoCodecEntry(p, FieldText(p.videoCodec))].options);
    const size_t at = options.find("pixfmt=");
    if (at == std::string::npos)
        return "yuv420p";
    return options.substr(at + 7, options.find(':', at) - at - 7);
}

// The faults of a result as one text, empty when it is what the profile
// promises for that source.
std::string Faults(const ProfileRecord& p, const Source& s, const JobEnd& r) {
    std::string f;
    auto want = [&f](bool good, const std::string& fact) {
        if (!good)
            f += (f.empty() ? "" : "; ") + fact;
    };
    want(r.outcome == OutcomeSucceeded, "outcome " + std::to_string(r.outcome));
    want(r.others.empty(), "left behind: " + (r.others.empty() ? "" : r.others.front()));
    const StreamFacts& x = r.facts;
    want(x.audioStreams == 1, "audio streams " + std::to_string(x.audioStreams));
    // At most the profile's channels; a mono source stays mono.
    want(x.channels == std::min(s.channels, p.channels), "channels " + std::to_string(x.channels));
    if (p.IsAudioOnly()) {
        want(x.videoStreams == 0, "a video stream");
    } else {
        want(x.videoStreams == 1, "video streams " + std::to_string(x.videoStreams));
        want(x.pixelFormat == PixelsOf(p), "pixels " + x.pixelFormat);
        const int W = p.width > 0 ? p.width : x.width, H = p.height > 0 ? p.height : x.height;
        want(x.width == W && x.height == H,
             "frame " + std::to_string(x.width) + "x" + std::to_string(x.height));
        // The whole picture: at its shape, touching the frame on one side.
        const double aspect = x.PictureAspect();
        want(std::abs(aspect / s.aspect - 1) < 0.05, "picture " + std::to_string(x.pictureWidth) +
                                                         "x" + std::to_string(x.pictureHeight) +
                                                         " shown at " + std::to_string(aspect));
        want(x.pictureWidth >= W - 4 || x.pictureHeight >= H - 4, "picture smaller than the frame");
    }
    // Both streams to their end.
    const double longest = std::max(x.videoSeconds, x.audioSeconds);
    if (longest > 0)
        want(std::abs(longest - s.seconds) < 0.5, "length " + std::to_string(longest));
    return f;
}

} // namespace

TEST(SourceQuality, RotatedAndAnamorphicPicturesAreWholeAtTheirShape) {
    EngineSettings fitHeight;
    fitHeight.FitWidth = 0;
    fitHeight.FitHeight = 1;
    fitHeight.RoundTo16Pix = 1;
    for (const Source& s : {kRotated90, kRotated270, kWide, kNarrow}) {
        for (const char* name : {"MP4 - H.264 Video", "MKV - H.264 Video"}) {
            const ProfileRecord& p = Profile(name);
            EXPECT_EQ(Faults(p, s, Convert(p, s.file)), "") << s.file << " " << name;
            EXPECT_EQ(Faults(p, s, Convert(p, s.file, fitHeight)), "")
                << s.file << " " << name << ", fit height";
        }
    }
    // The automatic size is the shown one: upright, square pixels.
    JobEnd r = Convert(Profile("MKV - H.264 Video"), kRotated90.file);
    EXPECT_EQ(r.facts.width, 360);
    EXPECT_EQ(r.facts.height, 640);
    r = Convert(Profile("MKV - H.264 Video"), kWide.file);
    EXPECT_EQ(r.facts.width, 1024);
    EXPECT_EQ(r.facts.height, 576);
}

TEST(SourceQuality, ZoomModesFillTheFrame) {
    ProfileRecord p = Profile("MP4 - H.264 Video");
    for (const char* zoom : {"fullscreen", "panscale"}) {
        SetFieldText(p.zoomMode, zoom);
        JobEnd r = Convert(p, kRotated90.file);
        ASSERT_EQ(r.outcome, OutcomeSucceeded) << zoom;
        EXPECT_EQ(r.facts.width, 640) << zoom;
        EXPECT_EQ(r.facts.height, 480) << zoom;
        // No borders: the picture covers the frame.
        EXPECT_EQ(r.facts.pictureWidth, 640) << zoom;
        EXPECT_EQ(r.facts.pictureHeight, 480) << zoom;
    }
}

TEST(SourceQuality, DeepAndWideChromaSourcesGiveEightBit420) {
    for (const char* file : {"tenbit.mkv", "chroma422.mkv"}) {
        for (const char* name : {"MP4 - H.264 Video", "iPod / iPhone - H.264 Video",
                                 "AVI - XviD Video", "MPEG-2 - DVD", "MKV - H.264 Video"}) {
            JobEnd r = Convert(Profile(name), file);
            EXPECT_EQ(r.outcome, OutcomeSucceeded) << file << " " << name;
            EXPECT_EQ(r.facts.pixelFormat, "yuv420p") << file << " " << name;
        }
    }
}

// Every shipped profile over the rotated, anamorphic, unequal-stream and
// 5.1 sources (a 5.1 source gives the profile's stereo, or mono); prints the
// table of source kind x profile.
TEST(SourceQuality, EveryShippedProfileOverTheHardSources) {
    std::unique_ptr<ProfileTable> table = qvtest::ShippedProfiles();
    ASSERT_GE(table->count, 21);
    int runs = 0, passed = 0;
    std::string report;
    for (int i = 0; i < table->count; ++i) {
        const ProfileRecord& p = table->records[i];
        std::vector<Source> sources = {kLongAudio, kLongVideo, kSurround};
        if (!p.IsAudioOnly())
            sources.insert(sources.begin(), {kRotated90, kWide});
        report += FieldText(p.name) + ":";
        for (const Source& s : sources) {
            Source shown = s;
            if (p.IsAudioOnly())
                shown.seconds = s.file == kLongVideo.file ? 2 : s.seconds; // the sound's length
            const std::string faults = Faults(p, shown, Convert(p, s.file));
            EXPECT_EQ(faults, "") << FieldText(p.name) << " over " << s.file;
            ++runs;
            passed += faults.empty();
            report += std::string(" ") + s.file + (faults.empty() ? " ok" : " FAILED");
        }
        report += "\n";
    }
    std::printf("%shard-source sweep: %d of %d runs passed\n", report.c_str(), passed, runs);
}

// Cover art is no video stream: audio profiles leave it out, video profiles
// show it, whole, for as long as the sound lasts.
TEST(SourceQuality, CoverArtIsDroppedOrShownAsAStillPicture) {
    for (const Source& s : {Source{"cover.mp3", 1.0, 2.04, 2}, Source{"cover.m4a", 1.0, 2.0, 2}}) {
        for (const char* name :
             {"MP3 - MPEG Audio Layer 3", "M4A - AAC Audio", "MP4 - H.264 Video",
              "iPod / iPhone - H.264 Video", "AVI - XviD Video", "MKV - H.264 Video"}) {
            const ProfileRecord& p = Profile(name);
            EXPECT_EQ(Faults(p, s, Convert(p, s.file)), "") << s.file << " " << name;
        }
    }
}

// A variable frame rate (1 s at 10 frames/s, then 1 s at 30) keeps each
// frame's time where the container carries it; AVI holds a constant rate.
TEST(SourceQuality, VariableFrameRateKeepsItsTimingWhereTheContainerCan) {
    for (const char* name : {"MP4 - H.264 Video", "MKV - H.264 Video", "FLV - Flash Video"}) {
        std::vector<double> times;
        JobEnd r = Convert(Profile(name), "vfr.mp4", EngineSettings{}, [&](const std::string& out) {
            qvtest::ToolRun frames =
                qvtest::RunTool({"ffprobe", "-v", "error", "-select_streams", "v:0",
                                 "-show_entries", "frame=pts_time", "-of", "csv=p=0", out});
            for (size_t at = 0; at < frames.output.size();) {
                size_t nl = frames.output.find('\n', at);
                if (nl != at)
                    times.push_back(std::atof(frames.output.substr(at, nl - at).c_str()));
                at = nl == std::string::npos ? frames.output.size() : nl + 1;
            }
        });
        ASSERT_EQ(r.outcome, OutcomeSucceeded) << name;
        ASSERT_EQ(times.size(), 40u) << name;
        EXPECT_NEAR(times[10] - times[0], 1.0, 0.04) << name; // ten frames in the first second
        EXPECT_NEAR(times[39] - times[10], 29 / 30.0, 0.04) << name;
    }
    const ProfileRecord& avi = Profile("AVI - XviD Video");
    EXPECT_EQ(Faults(avi, Source{"vfr.mp4", 4.0 / 3, 2, 1}, Convert(avi, "vfr.mp4")), "");
}
