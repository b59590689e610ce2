#include "CliTracks.h"

#include "CliArguments.h"
#include "engine/JobModel.h"
#include "probe/MediaProbe.h"

namespace qv {

std::string FileTrackLines(const ProbeResult& probe) {
    std::string lines;
    auto line = [&lines](const char* kind, size_t i, const ProbeTrack& t, const std::string& what) {
        lines += std::string(kind) + "\t" + std::to_string(i + 1) + "\t" + t.language + "\t" +
                 what + (t.isDefault ? "\tdefault" : "") + "\n";
    };
    for (size_t i = 0; i < probe.audioTracks.size(); ++i)
        line("audio", i, probe.audioTracks[i], probe.audioTracks[i].format);
    for (size_t i = 0; i < probe.subtitleTracks.size(); ++i) {
        const ProbeTrack& t = probe.subtitleTracks[i];
        line("subtitle", i, t,
             std::string(t.picture ? "picture" : "text") +
                 (t.format.empty() ? "" : " (" + t.format + ")"));
    }
    return lines;
}

Status ChooseFileTracks(CMediaRecord& job, const ProbeResult& probe, const CliCommand& command) {
    const size_t audio = probe.audioTracks.size(), subtitles = probe.subtitleTracks.size();
    if (command.audio > 0 && static_cast<size_t>(command.audio) > audio)
        return Status::Fail(job.sourcePath + " has " + std::to_string(audio) +
                            " audio tracks, not " + std::to_string(command.audio));
    if (command.subtitle > 0 && static_cast<size_t>(command.subtitle) > subtitles)
        return Status::Fail(job.sourcePath + " has " + std::to_string(subtitles) +
                            " subtitles, not " + std::to_string(command.subtitle));
    // A file with one audio track and no subtitle offers no choice: it is
    // converted as it is.
    if (command.audio > 0 && !job.audioTracks.empty())
        job.audioIndex = command.audio - 1;
    if (command.subtitle > 0) {
        job.subtitleIndex = command.subtitle - 1;
        job.keepSubtitle = command.subtitleMode == "keep" ? 1 : 0;
    }
    return {};
}

} // namespace qv
