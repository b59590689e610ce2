#include "ResultCheck.h"
#include "Number.h"

#include "OutputFile.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace qv {

namespace {

std::mutex g_readerMutex;
MediaReader g_reader;

bool Read(const std::string& path, MediaFacts& facts) {
    MediaReader reader;
    {
        std::lock_guard lock(g_readerMutex);
        reader = g_reader;
    }
    return reader && reader(path, facts);
}

std::string Seconds(double s) {
    return FixedText(s, 1) + " s";
}

} // namespace

void SetMediaReader(MediaReader reader) {
    std::lock_guard lock(g_readerMutex);
    g_reader = std::move(reader);
}

std::optional<bool> SourceHasSound(const CMediaRecord& job) {
    if (job.kind != KindFile)
        return !job.audioTracks.empty();
    MediaFacts source;
    if (!Read(job.sourcePath, source))
        return std::nullopt;
    return source.audioStreams > 0;
}

ResultNeeds NeedsOfJob(const CMediaRecord& job, const ProfileRecord& profile,
                       const EngineSettings& settings, bool encodesAudio, bool sendsChannels) {
    ResultNeeds needs;
    needs.video = !profile.IsAudioOnly();
    needs.audio = encodesAudio;
    needs.seconds = JobLengthSeconds(job);
    needs.keptSubtitle = job.kind == KindFile && job.keepSubtitle != 0 && job.subtitleIndex >= 0;
    int sourceChannels = 0; // 0: unknown
    if (job.kind == KindFile) {
        MediaFacts source;
        if (Read(job.sourcePath, source)) {
            needs.audio = needs.audio && source.audioStreams > 0;
            sourceChannels = source.audioChannels;
            // The result ends where the longest stream it carries ends: an
            // audio track shorter than the picture is no failure. The time
            // texts hold whole seconds; an untrimmed end is the stream's own.
            double end = std::max(needs.video ? source.videoSeconds : 0.0,
                                  needs.audio ? source.audioSeconds : 0.0);
            if (end <= 0)
                end = source.seconds;
            const double start = static_cast<double>(TimeTextToSeconds(job.trimStart));
            if (end > 0 && (job.trimEnd == job.fullLength || end - start < needs.seconds))
                needs.seconds = std::max(0.0, end - start);
        }
    } else if (job.audioTracks.empty()) {
        needs.audio = false;
    }
    // The channels the profile asks for; a source with fewer keeps its own,
    // so a source whose count is unknown (a DVD title's track) sets none.
    if (needs.audio && sendsChannels && profile.channels > 0 && sourceChannels > 0)
        needs.channels = std::min(profile.channels, sourceChannels);
    if (needs.video && profile.width > 0 && profile.height > 0) {
        // Only the sides the fit settings pin: a free side keeps the
        // picture's shape.
        const bool both =
            (settings.FitWidth == 0 && settings.FitHeight == 0) || settings.ExpandToVideoSize != 0;
        if (both || settings.FitWidth != 0)
            needs.width = profile.width;
        if (both || settings.FitWidth == 0)
            needs.height = profile.height;
    }
    return needs;
}

Status CompareResult(const MediaFacts& r, const ResultNeeds& needs) {
    if (needs.video && r.videoStreams == 0)
        return Status::Fail("the result has no video stream");
    if (needs.audio && r.audioStreams == 0)
        return Status::Fail("the result has no audio stream");
    const double tolerance = std::max(1.0, 0.02 * needs.seconds);
    double seconds = r.seconds;
    if (needs.keptSubtitle && std::max(r.videoSeconds, r.audioSeconds) > 0)
        seconds = std::min(seconds, std::max(r.videoSeconds, r.audioSeconds));
    // A raw AAC stream states no length and is checked for its streams
    // alone; any other result must state one.
    if (needs.seconds > 0 && r.seconds <= 0 && r.format != "ADTS")
        return Status::Fail("the result states no length");
    if (needs.seconds > 0 && seconds > 0 &&
        (seconds < needs.seconds - tolerance || seconds > needs.seconds + tolerance))
        return Status::Fail("the result lasts " + Seconds(seconds) + " of " +
                            Seconds(needs.seconds));
    if (needs.channels > 0 && r.audioChannels != needs.channels)
        return Status::Fail(
            "the result has " + std::to_string(r.audioChannels) +
            (r.audioChannels == 1 ? " audio channel, not " : " audio channels, not ") +
            std::to_string(needs.channels));
    if ((needs.width > 0 && r.width != needs.width) ||
        (needs.height > 0 && r.height != needs.height))
        return Status::Fail(
            "the result's picture is " + std::to_string(r.width) + "x" + std::to_string(r.height) +
            ", not " + (needs.width > 0 ? std::to_string(needs.width) : std::string("any")) + "x" +
            (needs.height > 0 ? std::to_string(needs.height) : std::string("any")));
    return {};
}

Status CheckResult(const std::string& path, const ResultNeeds& needs) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return Status::Fail("the result is missing");
    if (st.st_size == 0)
        return Status::Fail("the result is empty");
    MediaFacts facts;
    if (!Read(path, facts))
        return Status::Fail("the result cannot be read as media");
    return CompareResult(facts, needs);
}

} // namespace qv
