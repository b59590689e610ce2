#include "Estimate.h"
#include "Number.h"

#include "EncoderCommand.h"
#include "EncoderRun.h"
#include "TextEncoding.h"
#include "platform/ToolRun.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>

namespace qv {

namespace {

const VideoCodecEntry& ChosenVideo(const ProfileRecord& p) {
    return p.videoCodecs[FindVideoCodecEntry(p, FieldText(p.videoCodec))];
}
const AudioCodecEntry& ChosenAudio(const ProfileRecord& p) {
    return p.audioCodecs[FindAudioCodecEntry(p, FieldText(p.audioCodec))];
}

// The value of key in a "k=v:k2:k3=v3" option text; empty when absent.
std::optional<std::string> OptionValue(const std::string& options, std::string_view key) {
    size_t at = 0;
    while (at <= options.size()) {
        size_t end = options.find(':', at);
        if (end == std::string::npos)
            end = options.size();
        const std::string_view item(options.data() + at, end - at);
        const size_t eq = item.find('=');
        if (item.substr(0, eq) == key)
            return std::string(eq == std::string_view::npos ? "" : item.substr(eq + 1));
        at = end + 1;
    }
    return std::nullopt;
}

bool VideoWritten(const ProfileRecord& p, const SourceStreams& s) {
    return s.video && !p.IsAudioOnly();
}

// Whether the picture's size follows what it shows rather than a rate.
bool VideoByQuality(const ProfileRecord& p) {
    const VideoCodecEntry& v = ChosenVideo(p);
    const std::string family = Lower(FieldText(v.family));
    const std::string options = FieldText(v.options);
    if (family == "copy")
        return true;
    if (OptionValue(options, "crf") || OptionValue(options, "qscale") ||
        OptionValue(options, "vqscale") || OptionValue(options, "qp"))
        return true;
    const std::string codec = Lower(FieldText(v.name));
    return codec == "prores" || codec == "prores_ks" || codec == "ffv1" || codec == "huffyuv" ||
           codec == "mjpeg";
}

bool AudioByQuality(const ProfileRecord& p) {
    const AudioCodecEntry& a = ChosenAudio(p);
    const std::string family = Lower(FieldText(a.family));
    const std::string codec = Lower(FieldText(a.name));
    return family == "copy" || codec == "flac" || codec == "alac";
}

// The audio rate in kbit/s that the profile fixes.
double AudioKbps(const ProfileRecord& p) {
    const std::string family = Lower(FieldText(ChosenAudio(p).family));
    if (family == "pcm")
        return p.sampleRate * std::clamp(p.channels, 1, 2) * 16 / 1000.0;
    return std::max(0, p.audioBitRate);
}

// The frame rate the result has, for key-frame spacing.
double OutputRate(const CMediaRecord& job, const ProfileRecord& p) {
    std::string rate = FieldText(p.frameRate);
    if (rate == "Auto")
        rate = job.frameRate;
    const double r = NumberOr(rate, 25);
    return r > 0 && std::isfinite(r) ? r : 25;
}

// Frames between key frames that the encoder keeps without a scene cut.
double KeyInterval(const ProfileRecord& p) {
    const VideoCodecEntry& v = ChosenVideo(p);
    if (std::optional<std::string> k = OptionValue(FieldText(v.options), "keyint")) {
        const double n = NumberOr(*k, 0);
        if (n >= 1)
            return n;
    }
    const std::string codec = Lower(FieldText(v.name));
    if (codec == "vp9" || codec == "libvpx-vp9")
        return 128;
    if (Lower(FieldText(v.family)) == "lavc" && codec != "hevc" && codec != "libx265" &&
        codec != "av1" && codec != "libsvtav1" && codec != "libaom-av1")
        return 12; // FFmpeg's own encoders
    return 250;
}

// A private folder under $TMPDIR, removed with everything in it when the
// holder goes.
class SampleFolder {
public:
    SampleFolder() {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/quorvane-estimate-XXXXXX";
        if (::mkdtemp(pattern.data()))
            path_ = pattern;
    }
    ~SampleFolder() {
        if (!path_.empty()) {
            std::error_code ec;
            std::filesystem::remove_all(path_, ec);
        }
    }
    SampleFolder(const SampleFolder&) = delete;
    SampleFolder& operator=(const SampleFolder&) = delete;
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

struct PacketSums {
    double keyBytes = 0, otherBytes = 0, audioBytes = 0;
    int keys = 0, frames = 0;
};

std::string Probe(const std::string& file, const char* streams, const char* entries) {
    ToolRun run;
    run.argv = {"ffprobe",       "-v",    "error", "-select_streams", streams,
                "-show_entries", entries, "-of",   "csv=p=0",         file};
    run.process.mergeErrors = false;
    std::string out;
    run.output = [&out](std::string_view chunk) {
        out.append(chunk);
        return true;
    };
    RunTool(run);
    return out;
}

// The packets of a sample: the picture's key frames apart from the rest,
// and the sound's bytes.
PacketSums ReadPackets(const std::string& file, bool video, bool audio) {
    PacketSums s;
    auto lines = [](const std::string& text, const auto& each) {
        size_t at = 0;
        while (at < text.size()) {
            size_t end = text.find('\n', at);
            if (end == std::string::npos)
                end = text.size();
            std::string_view line(text.data() + at, end - at);
            if (!line.empty() && line.back() == '\r')
                line.remove_suffix(1);
            if (!line.empty())
                each(line);
            at = end + 1;
        }
    };
    if (video)
        lines(Probe(file, "v:0", "packet=size,flags"), [&s](std::string_view line) {
            const size_t comma = line.find(',');
            const double size = NumberOr(line.substr(0, comma), 0);
            const bool key = comma != std::string_view::npos &&
                             line.substr(comma + 1).find('K') != std::string_view::npos;
            ++s.frames;
            if (key) {
                ++s.keys;
                s.keyBytes += size;
            } else {
                s.otherBytes += size;
            }
        });
    if (audio)
        lines(Probe(file, "a:0", "packet=size"),
              [&s](std::string_view line) { s.audioBytes += NumberOr(line, 0); });
    return s;
}

int64_t FileBytes(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? static_cast<int64_t>(st.st_size) : 0;
}

// Where the sample's slices start, as shares of the room the span leaves:
// the middle first, then spread outwards.
constexpr double kSlicePlaces[] = {0.5, 0.15, 0.85, 0.32, 0.68};

} // namespace

EstimateMethod EstimateMethodFor(const ProfileRecord& p, const SourceStreams& s) {
    const bool video = VideoWritten(p, s);
    if ((video && VideoByQuality(p)) || (s.audio && AudioByQuality(p)))
        return EstimateMethod::Sample;
    if (video && Lower(FieldText(ChosenVideo(p).family)) == "x264") {
        const std::optional<std::string> rate =
            OptionValue(FieldText(ChosenVideo(p).options), "bitrate");
        if (rate && NumberOr(*rate, 0) < 0)
            return EstimateMethod::TargetSize;
    }
    return EstimateMethod::Rates;
}

double ContainerOverhead(std::string_view format) {
    // Measured on this program's own results at ordinary rates: the chunk,
    // atom or pack headers each container puts around its packets.
    if (format == "avi")
        return 0.012;
    if (format == "mpg" || format == "vob" || format == "wmv" || format == "wma")
        return 0.03;
    if (format == "mkv" || format == "webm" || format == "ogg" || format == "opus")
        return 0.008;
    if (format == "mp3" || format == "wav" || format == "flac")
        return 0.001;
    if (format == "aac")
        return 0.02; // ADTS headers
    return 0.01;     // the MP4 family, FLV
}

double EstimateSpan(const CMediaRecord& job, const SourceStreams& s) {
    const bool whole = job.trimStart == "00:00:00" && job.trimEnd == job.fullLength;
    if (whole && s.seconds > 0)
        return s.seconds;
    return std::max(0, JobLengthSeconds(job));
}

Result<int64_t> RateEstimate(const CMediaRecord& job, const ProfileRecord& p,
                             const SourceStreams& s) {
    const double span = EstimateSpan(job, s);
    if (span <= 0)
        return Status::Fail("the source's length is unknown");
    const bool video = VideoWritten(p, s);
    const double audioKbps = s.audio ? AudioKbps(p) : 0;
    double videoKbps = video ? std::max(0, p.videoBitRate) : 0;
    if ((video && VideoByQuality(p)) || (s.audio && AudioByQuality(p)))
        return Status::Fail("the profile's size follows the picture, not a rate");
    if (EstimateMethodFor(p, s) == EstimateMethod::TargetSize) {
        // As the encoder reckons it: the target less 5 % for the container
        // and rate control, less the sound, at most the ceiling.
        const VideoCodecEntry& v = ChosenVideo(p);
        const std::string options = FieldText(v.options);
        const double kilobytes = -NumberOr(OptionValue(options, "bitrate").value_or("0"), 0);
        const double total = kilobytes * 1024.0 * 8 / 1000 * 0.95;
        videoKbps = total / span - audioKbps;
        if (videoKbps < 16)
            return Status::Fail(std::to_string(static_cast<long>(kilobytes / 1024)) +
                                " MB cannot hold " + std::to_string(static_cast<long>(span)) +
                                " s of picture and sound");
        videoKbps = std::floor(videoKbps);
        if (std::optional<std::string> ceiling = OptionValue(options, "vbv_maxrate")) {
            const double c = NumberOr(*ceiling, 0);
            if (c > 0)
                videoKbps = std::min(videoKbps, c);
        }
    }
    const double bytes = (videoKbps + audioKbps) * 1000 / 8 * span *
                         (1 + ContainerOverhead(FieldText(p.outputFormat)));
    return static_cast<int64_t>(std::llround(bytes));
}

Result<JobEstimate> EstimateJob(const EstimateRequest& r) {
    JobEstimate e;
    e.method = EstimateMethodFor(r.profile, r.streams);
    const double span = EstimateSpan(r.job, r.streams);
    if (span <= 0)
        return Status::Fail("the source's length is unknown");
    if (e.method != EstimateMethod::Sample) {
        Result<int64_t> bytes = RateEstimate(r.job, r.profile, r.streams);
        if (!bytes)
            return bytes.AsStatus();
        e.bytes = *bytes;
        if (!r.wantTime)
            return e;
    }

    SampleFolder folder;
    if (folder.Path().empty())
        return Status::Fail("cannot make a folder for the sample: " +
                            std::string(std::strerror(errno)));
    const double start = static_cast<double>(TimeTextToSeconds(r.job.trimStart));
    // Slices long enough for the encoder to settle, short beside the span.
    const double slice = std::min(span, std::clamp(span * 0.02, 1.0, 10.0));
    const bool video = VideoWritten(r.profile, r.streams);
    PacketSums sums;
    // Each slice's wall time in two parts: the start (probing, opening, up
    // to the first progress line) and the encoding after it. A job starts
    // once and encodes its whole span.
    double wall = 0, sampled = 0, starts = 0, encoding = 0;
    int64_t sampleFileBytes = 0;
    for (double place : kSlicePlaces) {
        if (e.slices > 0) {
            // Another slice only while the sample stays inside its budget.
            const double jobSeconds = wall / sampled * span;
            if (wall + wall / e.slices > r.budgetShare * jobSeconds || sampled + slice > span)
                break;
        }
        CMediaRecord job = r.job;
        job.baseName = "sample" + std::to_string(e.slices);
        EncoderCommand c =
            BuildEncoderCommand(job, r.profile, r.settings, folder.Path(), r.toolFolder);
        const double at = start + place * (span - slice);
        c.SeekParam = " -ss " + FixedText(at, 3) + " -endpos " + FixedText(slice, 3);
        SetEncoderOutput(c, r.profile, r.toolFolder, c.encoderOutputPath);
        Result<std::vector<std::string>> argv = EncoderArguments(c, r.profile, r.toolFolder);
        if (!argv)
            return argv.AsStatus();
        ToolRun run;
        run.argv = *argv;
        uint64_t firstProgress = 0;
        run.output = [&firstProgress](std::string_view chunk) {
            if (firstProgress == 0 && chunk.find("Pos:") != std::string_view::npos)
                firstProgress = ClockMs();
            return true;
        };
        run.keepOutput = 2048;
        run.stop = [&r] { return r.cancelled && r.cancelled(); };
        run.silenceLimitMs = static_cast<uint64_t>(std::max(0, r.settings.EncoderSilence)) * 1000;
        const uint64_t began = ClockMs();
        ToolResult result = RunTool(run);
        const uint64_t ended = ClockMs();
        const uint64_t encodingFrom = firstProgress != 0 ? firstProgress : began;
        wall += (ended - began) / 1000.0;
        starts += (encodingFrom - began) / 1000.0;
        encoding += (ended - encodingFrom) / 1000.0;
        if (result.end == ToolEnd::Stopped || (r.cancelled && r.cancelled()))
            return Status::Fail("cancelled");
        if (!result.Succeeded()) {
            std::string why = result.LastLine();
            const size_t marker = why.find("退出..");
            if (marker != std::string::npos)
                why = why.substr(marker + std::string_view("退出..").size());
            return Status::Fail("the sample encode failed" + (why.empty() ? "" : ": " + why));
        }
        const PacketSums p = ReadPackets(c.encoderOutputPath, video, r.streams.audio);
        sums.keyBytes += p.keyBytes;
        sums.otherBytes += p.otherBytes;
        sums.audioBytes += p.audioBytes;
        sums.keys += p.keys;
        sums.frames += p.frames;
        sampleFileBytes += FileBytes(c.encoderOutputPath);
        sampled += slice;
        ++e.slices;
    }
    e.sampledSeconds = sampled;
    e.costSeconds = wall;
    e.encodeSeconds = starts / e.slices + encoding / sampled * span;

    double perSecond = (sums.otherBytes + sums.audioBytes) / sampled;
    if (sums.keys > e.slices) {
        // Key frames come more often than once a slice (intra-only, short
        // groups): the slices show their real share.
        perSecond += sums.keyBytes / sampled;
    } else if (sums.keys > 0) {
        // Each slice had to begin with a key frame the whole run has only
        // once an interval (or at a scene cut): count them at that spacing.
        const double interval = KeyInterval(r.profile) / OutputRate(r.job, r.profile);
        perSecond += sums.keyBytes / sums.keys * std::max(1.0 / interval, 1.0 / span);
    }
    if (sums.frames == 0 && sums.audioBytes == 0)
        perSecond = static_cast<double>(sampleFileBytes) / sampled; // nothing readable: the files
    const double sampledBytes =
        perSecond * span * (1 + ContainerOverhead(FieldText(r.profile.outputFormat)));
    if (e.method == EstimateMethod::Sample)
        e.bytes = static_cast<int64_t>(std::llround(sampledBytes));
    else
        // A rate is a ceiling: a still picture never fills it, as the sample shows.
        e.bytes = std::min(e.bytes, static_cast<int64_t>(std::llround(sampledBytes)));
    return e;
}

std::string EstimateKey(const CMediaRecord& job, const ProfileRecord& p) {
    std::string key = job.sourcePath + '\n' + std::to_string(job.kind) + '/' +
                      std::to_string(job.titleNumber) + '\n' + job.trimStart + '-' + job.trimEnd +
                      '\n' + std::to_string(job.audioIndex) + '/' +
                      std::to_string(job.subtitleIndex) + '\n';
    const VideoCodecEntry& v = ChosenVideo(p);
    const AudioCodecEntry& a = ChosenAudio(p);
    key += FieldText(p.name) + '\n' + FieldText(p.outputFormat) + '\n' + FieldText(v.name) + ':' +
           FieldText(v.options) + ':' + FieldText(v.filters) + '\n' + FieldText(a.name) + ':' +
           FieldText(a.options) + '\n' + FieldText(p.frameRate) + ' ' + std::to_string(p.width) +
           'x' + std::to_string(p.height) + ' ' + std::to_string(p.videoBitRate) + ' ' +
           std::to_string(p.audioBitRate) + ' ' + std::to_string(p.sampleRate) + ' ' +
           std::to_string(p.channels) + ' ' + FieldText(p.zoomMode) + ' ' +
           FieldText(p.muxerOptions) + ' ' + FieldText(p.extraParams);
    return key;
}

std::string SizeText(int64_t bytes) {
    const double b = static_cast<double>(std::max<int64_t>(0, bytes));
    if (b < 1024.0 * 1024)
        return std::to_string(static_cast<long long>(std::llround(b / 1024))) + " KB";
    if (b < 1024.0 * 1024 * 1024)
        return FixedText(b / (1024.0 * 1024), b < 100.0 * 1024 * 1024 ? 1 : 0) + " MB";
    return FixedText(b / (1024.0 * 1024 * 1024), 2) + " GB";
}

double RemainingSeconds(const std::vector<double>& weights, int done, double fraction,
                        double elapsed) {
    if (weights.empty() || done < 0 || done > static_cast<int>(weights.size()))
        return -1;
    double doneWeight = 0, total = 0;
    for (size_t i = 0; i < weights.size(); ++i) {
        const double w = std::max(0.0, weights[i]);
        total += w;
        if (static_cast<int>(i) < done)
            doneWeight += w;
        else if (static_cast<int>(i) == done)
            doneWeight += w * std::clamp(fraction, 0.0, 1.0);
    }
    // Before a few per cent are done the speed says little.
    if (total <= 0 || doneWeight < total * 0.01 || elapsed <= 0)
        return -1;
    return elapsed * (total - doneWeight) / doneWeight;
}

} // namespace qv
