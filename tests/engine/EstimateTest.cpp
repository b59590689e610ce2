#include "engine/Estimate.h"
#include "engine/EncoderRun.h"
#include "probe/MediaProbe.h"
#include "support/Paths.h"
#include "support/QuietBatch.h"
#include "support/ShippedProfiles.h"
#include "support/TempDir.h"
#include "support/Tool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <sys/stat.h>

namespace {

qv::CMediaRecord Job(const std::string& path, const std::string& length, const std::string& start,
                     const std::string& end) {
    qv::CMediaRecord job;
    job.sourcePath = path;
    job.baseName = qv::FileBaseName(path);
    job.fullLength = length;
    job.trimStart = start;
    job.trimEnd = end;
    job.width = 320;
    job.height = 240;
    job.frameRate = "25";
    return job;
}

qv::ProfileRecord Rated(const char* format, int videoKbps, int audioKbps) {
    qv::ProfileRecord p = qvtest::XvidAviProfile(320, 240, videoKbps, audioKbps);
    qv::SetFieldText(p.outputFormat, format);
    return p;
}

const qv::ProfileRecord& Shipped(const std::string& name) {
    static std::unique_ptr<qv::ProfileTable> table = qvtest::ShippedProfiles();
    const qv::ProfileRecord* p = qvtest::FindProfile(*table, name);
    if (!p)
        ADD_FAILURE() << "no profile " << name;
    static qv::ProfileRecord none{};
    return p ? *p : none;
}

int64_t Expected(double kbps, double seconds, const char* format) {
    return std::llround(kbps * 1000 / 8 * seconds * (1 + qv::ContainerOverhead(format)));
}

// A clip with a moving picture and a tone, made for the test.
std::string MakeClip(const qvtest::TempDir& dir, int seconds) {
    const std::string path = dir / "clip.mkv";
    const std::string t = std::to_string(seconds);
    qvtest::ToolRun r = qvtest::RunTool(
        {"ffmpeg",    "-v",      "error",   "-y",
         "-f",        "lavfi",   "-i",      "testsrc2=s=320x240:r=25:d=" + t,
         "-f",        "lavfi",   "-i",      "sine=frequency=330:sample_rate=44100:d=" + t,
         "-c:v",      "libx264", "-preset", "ultrafast",
         "-qp",       "10",      "-c:a",    "flac",
         "-shortest", path});
    EXPECT_EQ(r.exitCode, 0) << r.output;
    return path;
}

std::vector<std::string> Entries(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* d = ::opendir(folder.c_str())) {
        while (dirent* e = ::readdir(d))
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
                names.push_back(e->d_name);
        ::closedir(d);
    }
    return names;
}

// Points the sample's private folder into a test folder for the scope.
class TmpDirScope {
public:
    explicit TmpDirScope(const std::string& path) {
        if (const char* old = std::getenv("TMPDIR"))
            old_ = old, had_ = true;
        ::setenv("TMPDIR", path.c_str(), 1);
    }
    ~TmpDirScope() {
        if (had_)
            ::setenv("TMPDIR", old_.c_str(), 1);
        else
            ::unsetenv("TMPDIR");
    }

private:
    std::string old_;
    bool had_ = false;
};

} // namespace

TEST(EstimateRates, SizeIsTheRatesOverTheSpanPlusTheContainer) {
    const qv::CMediaRecord trimmed = Job("/x/a.mkv", "00:10:00", "00:01:00", "00:02:00");
    EXPECT_EQ(*qv::RateEstimate(trimmed, Rated("avi", 1000, 128), {}), Expected(1128, 60, "avi"));
    EXPECT_EQ(*qv::RateEstimate(trimmed, Rated("mp4", 1000, 128), {}), Expected(1128, 60, "mp4"));

    // Streams the source lacks, or the profile leaves out, add nothing.
    EXPECT_EQ(*qv::RateEstimate(trimmed, Rated("avi", 1000, 128), {.video = true, .audio = false}),
              Expected(1000, 60, "avi"));
    qv::ProfileRecord audioOnly = Rated("mp3", 1000, 192);
    qv::SetFieldText(audioOnly.kind, "audio");
    EXPECT_EQ(*qv::RateEstimate(trimmed, audioOnly, {}), Expected(192, 60, "mp3"));

    // Uncompressed sound follows the sample rate and channels.
    qv::ProfileRecord wav = Rated("wav", 0, 0);
    qv::SetFieldText(wav.kind, "audio");
    qv::SetFieldText(wav.audioCodecs[0].family, "pcm");
    wav.sampleRate = 48000;
    wav.channels = 2;
    EXPECT_EQ(*qv::RateEstimate(trimmed, wav, {}), Expected(1536, 60, "wav"));
}

TEST(EstimateRates, AnUntrimmedFileUsesItsExactLength) {
    const qv::CMediaRecord whole = Job("/x/a.mkv", "00:00:10", "00:00:00", "00:00:10");
    const qv::SourceStreams streams{.video = true, .audio = true, .seconds = 10.6};
    EXPECT_DOUBLE_EQ(qv::EstimateSpan(whole, streams), 10.6);
    qv::CMediaRecord trimmed = whole;
    trimmed.trimEnd = "00:00:05";
    EXPECT_DOUBLE_EQ(qv::EstimateSpan(trimmed, streams), 5);
    EXPECT_FALSE(qv::RateEstimate(Job("/x/a.mkv", "", "00:00:00", ""), Rated("avi", 900, 96), {}));
}

TEST(EstimateRates, TargetSizeFollowsTheEncodersArithmeticAndCeiling) {
    const qv::ProfileRecord& share = Shipped("MP4 - Share (25 MB)");
    ASSERT_EQ(qv::EstimateMethodFor(share, {}), qv::EstimateMethod::TargetSize);
    // Ten minutes: the target decides, less 5 % and the sound.
    const qv::CMediaRecord long_ = Job("/x/a.mkv", "01:00:00", "00:00:00", "00:10:00");
    const double video = std::floor(25600 * 1024.0 * 8 / 1000 * 0.95 / 600 - 128);
    EXPECT_EQ(*qv::RateEstimate(long_, share, {}), Expected(video + 128, 600, "mp4"));
    EXPECT_LT(*qv::RateEstimate(long_, share, {}), 25600 * 1024);
    // Twenty seconds: the ceiling of 8000 kbit/s decides.
    const qv::CMediaRecord short_ = Job("/x/a.mkv", "01:00:00", "00:00:00", "00:00:20");
    EXPECT_EQ(*qv::RateEstimate(short_, share, {}), Expected(8000 + 128, 20, "mp4"));
    // An hour does not fit 25 MB: refused, as the encoder would.
    const qv::CMediaRecord hour = Job("/x/a.mkv", "01:00:00", "00:00:00", "01:00:00");
    const qv::Result<int64_t> refused = qv::RateEstimate(hour, share, {});
    ASSERT_FALSE(refused);
    EXPECT_NE(refused.Reason().find("cannot hold"), std::string::npos);
}

TEST(EstimateRates, QualityProfilesAreSampledAndRateProfilesReckoned) {
    EXPECT_EQ(qv::EstimateMethodFor(Shipped("MP4 - H.265 Video"), {}), qv::EstimateMethod::Sample);
    EXPECT_EQ(qv::EstimateMethodFor(Shipped("MOV - ProRes 422"), {}), qv::EstimateMethod::Sample);
    EXPECT_EQ(qv::EstimateMethodFor(Shipped("FLAC - Lossless Audio"), {}),
              qv::EstimateMethod::Sample);
    EXPECT_EQ(qv::EstimateMethodFor(Shipped("MP3 - MPEG Audio Layer 3"), {}),
              qv::EstimateMethod::Rates);
    EXPECT_EQ(qv::EstimateMethodFor(Shipped("AVI - XviD Video"), {}), qv::EstimateMethod::Rates);
    // A lossless sound track makes a video profile's size a sampled one only
    // when the source has sound.
    qv::ProfileRecord p = Rated("mkv", 800, 0);
    qv::SetFieldText(p.audioCodecs[0].name, "flac");
    qv::SetFieldText(p.audioCodecs[0].family, "lavc");
    qv::SetFieldText(p.audioCodec, "flac");
    EXPECT_EQ(qv::EstimateMethodFor(p, {}), qv::EstimateMethod::Sample);
    EXPECT_EQ(qv::EstimateMethodFor(p, {.video = true, .audio = false}), qv::EstimateMethod::Rates);
    // The CRF estimate must not be reckoned from the unused rate field.
    EXPECT_FALSE(qv::RateEstimate(Job("/x/a.mkv", "00:01:00", "00:00:00", "00:01:00"),
                                  Shipped("MP4 - H.265 Video"), {}));
}

TEST(EstimateKeyAndTexts, TheKeyChangesWithWhatTheSizeDependsOn) {
    const qv::CMediaRecord job = Job("/x/a.mkv", "00:10:00", "00:00:00", "00:10:00");
    const qv::ProfileRecord p = Rated("avi", 1000, 128);
    const std::string key = qv::EstimateKey(job, p);
    qv::CMediaRecord trimmed = job;
    trimmed.trimEnd = "00:09:00";
    EXPECT_NE(qv::EstimateKey(trimmed, p), key);
    qv::ProfileRecord faster = p;
    faster.videoBitRate = 2000;
    EXPECT_NE(qv::EstimateKey(job, faster), key);
    qv::CMediaRecord renamed = job;
    renamed.outputPath = "/out/a.avi"; // where it goes does not change its size
    EXPECT_EQ(qv::EstimateKey(renamed, p), key);

    EXPECT_EQ(qv::SizeText(1536), "2 KB");
    EXPECT_EQ(qv::SizeText(12 * 1024 * 1024 + 400 * 1024), "12.4 MB");
    EXPECT_EQ(qv::SizeText(int64_t{3} * 1024 * 1024 * 1024), "3.00 GB");
}

TEST(EstimateRemaining, TheRestIsScaledByTheSpeedSoFar) {
    // Jobs of 10, 10 and 20: after the first and half the second (15 of 40)
    // in 30 s, the remaining 25 take 50 s.
    EXPECT_DOUBLE_EQ(qv::RemainingSeconds({10, 10, 20}, 1, 0.5, 30), 50);
    EXPECT_DOUBLE_EQ(qv::RemainingSeconds({10, 10, 20}, 3, 0, 80), 0);
    // Nothing done yet: no guess.
    EXPECT_LT(qv::RemainingSeconds({10, 10, 20}, 0, 0, 5), 0);
    EXPECT_LT(qv::RemainingSeconds({}, 0, 0, 5), 0);
    EXPECT_LT(qv::RemainingSeconds({10}, 2, 0, 5), 0);
}

TEST(EstimateSample, ASampledCrfSizeLandsNearTheRealEncode) {
    qvtest::TempDir dir, out, tmp;
    TmpDirScope scope(tmp.path());
    const std::string clip = MakeClip(dir, 30);
    qv::ProbeResult probe;
    ASSERT_TRUE(qv::ProbeMediaFile(clip, probe));
    const qv::ProfileRecord& profile = Shipped("MP4 - Upload Master");

    qv::EstimateRequest request;
    qv::FillFileRecord(request.job, clip, probe);
    request.profile = profile;
    request.toolFolder = qvtest::ProgramDir();
    request.streams = {probe.videoStreams > 0, probe.audioStreams > 0, probe.seconds};
    const qv::Result<qv::JobEstimate> e = qv::EstimateJob(request);
    ASSERT_TRUE(e) << e.Reason();
    EXPECT_EQ(e->method, qv::EstimateMethod::Sample);
    EXPECT_GE(e->slices, 1);
    EXPECT_GT(e->encodeSeconds, 0);
    EXPECT_LE(e->sampledSeconds, 0.2 * probe.seconds);
    EXPECT_TRUE(Entries(tmp.path()).empty());

    qvtest::QuietBatch batch(profile, {}, out.path());
    qv::FillFileRecord(batch.job, clip, probe);
    qv::RunJob(batch);
    ASSERT_EQ(batch.outcome, qv::OutcomeSucceeded) << batch.failure;
    struct stat st {};
    ASSERT_EQ(::stat(batch.job.outputPath.c_str(), &st), 0);
    const double ratio = static_cast<double>(e->bytes) / static_cast<double>(st.st_size);
    EXPECT_GT(ratio, 0.6) << e->bytes << " estimated, " << st.st_size << " real";
    EXPECT_LT(ratio, 1.6) << e->bytes << " estimated, " << st.st_size << " real";
}

TEST(EstimateSample, ACancelledSampleLeavesNoFileBehind) {
    qvtest::TempDir dir, tmp;
    const std::string clip = MakeClip(dir, 20);
    TmpDirScope scope(tmp.path());
    qv::ProbeResult probe;
    ASSERT_TRUE(qv::ProbeMediaFile(clip, probe));

    qv::EstimateRequest request;
    qv::FillFileRecord(request.job, clip, probe);
    request.profile = Shipped("MOV - ProRes 422");
    request.toolFolder = qvtest::ProgramDir();
    request.streams = {true, true, probe.seconds};
    // Ends the encoder once it has run a little (after some of its output).
    std::atomic<int> asked{0};
    request.cancelled = [&asked] { return ++asked > 3; };
    const qv::Result<qv::JobEstimate> e = qv::EstimateJob(request);
    ASSERT_FALSE(e);
    EXPECT_EQ(e.Reason(), "cancelled");
    EXPECT_TRUE(Entries(tmp.path()).empty());
    EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"clip.mkv"});
}

TEST(EstimateSample, AFailingSampleSaysWhyAndLeavesNothing) {
    qvtest::TempDir dir, tmp;
    TmpDirScope scope(tmp.path());
    qvtest::WriteFile(dir / "broken.mkv", "not a media file at all");
    qv::EstimateRequest request;
    request.job = Job(dir / "broken.mkv", "00:00:20", "00:00:00", "00:00:20");
    request.profile = Shipped("MP4 - H.265 Video");
    request.toolFolder = qvtest::ProgramDir();
    const qv::Result<qv::JobEstimate> e = qv::EstimateJob(request);
    ASSERT_FALSE(e);
    EXPECT_NE(e.Reason().find("sample"), std::string::npos) << e.Reason();
    EXPECT_TRUE(Entries(tmp.path()).empty());
}

TEST(EstimateCli, PrintsSizesAndTimesAndWritesNothing) {
    qvtest::TempDir home, dir, out;
    const std::string clip = MakeClip(dir, 12);
    qvtest::ToolRun r =
        qvtest::RunTool({"env", "HOME=" + home.path(), qvtest::ProgramDir() + "quorvane-cli",
                         "--estimate", "-p", "AVI - XviD Video", "-o", out.path(), clip});
    ASSERT_EQ(r.exitCode, 0) << r.output;
    // "FILE<TAB>BYTES<TAB>hh:mm:ss"
    const size_t tab = r.output.find('\t');
    ASSERT_NE(tab, std::string::npos) << r.output;
    EXPECT_EQ(r.output.substr(0, tab), clip);
    const long long bytes = std::atoll(r.output.c_str() + tab + 1);
    EXPECT_GT(bytes, 100000);
    EXPECT_NE(r.output.find(":"), std::string::npos);
    EXPECT_TRUE(Entries(out.path()).empty());
    EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"clip.mkv"});

    // No output folder is needed; a missing file still fails the run.
    r = qvtest::RunTool({"env", "HOME=" + home.path(), qvtest::ProgramDir() + "quorvane-cli",
                         "--estimate", "-p", "MP3 - MPEG Audio Layer 3", clip, dir / "none.mkv"});
    EXPECT_EQ(r.exitCode, 1) << r.output;
    EXPECT_NE(r.output.find(clip + "\t"), std::string::npos) << r.output;
}
