#pragma once

#include "JobModel.h"
#include "base/Result.h"

#include <functional>
#include <optional>
#include <string>

namespace qv {

// What a media reader tells of a file, for checking a result against its job.
struct MediaFacts {
    double seconds = 0;                        // the file's length; 0: it states none
    double videoSeconds = 0, audioSeconds = 0; // the first stream's of each kind; 0: unknown
    int videoStreams = 0, audioStreams = 0;
    int audioChannels = 0;
    int width = 0, height = 0; // the stored picture
    std::string format;        // the container, as the reader names it
};

// Reads a file's facts; false when the file is not media it can read.
using MediaReader = std::function<bool(const std::string& path, MediaFacts& facts)>;

// The reader the engine checks results with, set once at start-up by whoever
// has one (the media probe). Without one every result fails its check.
void SetMediaReader(MediaReader reader);

// What the result of a job must be.
struct ResultNeeds {
    bool video = false;        // the profile makes video
    bool audio = false;        // the profile carries audio (and the source has some)
    double seconds = 0;        // the span the result should last
    int channels = 0;          // 0: any
    int width = 0, height = 0; // 0: any
    // A subtitle kept as a track: its last cue may be shown past the span,
    // so the picture and the sound tell the length.
    bool keptSubtitle = false;
};

// Whether the job's source carries sound: a file as the reader finds it, a
// DVD title by its audio tracks; nothing when the file cannot be read.
std::optional<bool> SourceHasSound(const CMediaRecord& job);

// What the result of this job must hold: the trimmed span, capped at the end
// of the longest source stream the result carries; the streams and frame
// size the profile asks for, and its channel count where the encoder is told
// it (sendsChannels) and the source's own count is known (no more than that).
ResultNeeds NeedsOfJob(const CMediaRecord& job, const ProfileRecord& profile,
                       const EngineSettings& settings, bool encodesAudio, bool sendsChannels);

// Whether the result at path holds what it needs; a failure says why in one
// line ("the result lasts 1.0 s of 6.0 s").
Status CheckResult(const std::string& path, const ResultNeeds& needs);

// The same comparison on facts already read.
Status CompareResult(const MediaFacts& result, const ResultNeeds& needs);

} // namespace qv
