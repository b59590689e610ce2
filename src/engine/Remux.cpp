#include "Remux.h"

#include "OutputFile.h"
#include "platform/ToolRun.h"

#include <vector>

namespace qv {

namespace {

constexpr size_t kKeptOutput = 2000;

// The last line with text of a tool's output, for the reason of a failure.
std::string LastLine(const std::string& output) {
    size_t end = output.find_last_not_of("\r\n ");
    if (end == std::string::npos)
        return "";
    size_t start = output.find_last_of("\r\n", end);
    return output.substr(start == std::string::npos ? 0 : start + 1, end + 1 - (start + 1));
}

// Runs one step's tool to its end; it succeeds only when the tool exits
// with status 0.
Status RunStep(const char* what, std::vector<std::string> argv, const std::function<bool()>& stop) {
    ToolRun run;
    run.argv = std::move(argv);
    run.stop = stop;
    run.exitGraceMs = kToolExitGraceMs;
    run.keepOutput = kKeptOutput;
    const ToolResult r = RunTool(run);
    if (r.Succeeded())
        return {};
    std::string why;
    switch (r.end) {
    case ToolEnd::StartFailed: why = r.error; break;
    case ToolEnd::Stopped: return Status::Fail("stopped");
    case ToolEnd::Hung: why = "the tool closed its output but did not end"; break;
    default: why = LastLine(r.output);
    }
    return Status::Fail(std::string("the MP4 step failed ") + what + ": " + why);
}

} // namespace

Status RemuxToMp4(const std::string& toolFolder, const std::string& format,
                  const std::string& intermediate, const std::string& rate, bool withAudio,
                  const std::string& mp4Path, JobFiles& files, const std::function<bool()>& stop) {
    // "tmp_clip.avi.partial" gives the stem "tmp_clip".
    std::string stem = intermediate;
    const std::string partial = kPartialSuffix;
    if (stem.size() > partial.size() &&
        stem.compare(stem.size() - partial.size(), partial.size(), partial) == 0)
        stem.resize(stem.size() - partial.size());
    size_t dot = stem.rfind('.');
    size_t slash = stem.rfind('/');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
        stem.resize(dot);

    // The raw streams take free names of their own, reserved like a result.
    const Result<std::string> video =
        ReserveOutputName(stem + (format == "ipod_h264" ? ".264" : ".m4v"));
    if (!video)
        return video.AsStatus();
    files.AddScratch(*video + kPartialSuffix);
    const Result<std::string> audio = ReserveOutputName(stem + ".aac");
    if (!audio)
        return audio.AsStatus();
    files.AddScratch(*audio + kPartialSuffix);
    // A path that begins with "-" must not read as an option.
    auto arg = [](const std::string& path) { return path.front() == '-' ? "./" + path : path; };
    const std::string videoFile = arg(*video + kPartialSuffix);
    const std::string audioFile = arg(*audio + kPartialSuffix);
    const std::string source = arg(intermediate), mp4 = arg(mp4Path);

    const std::string quenzo = toolFolder + "codecs/quenzo";
    const std::string creator = toolFolder + "codecs/mp4creator";
    const struct {
        const char* what;
        std::vector<std::string> argv;
    } steps[] = {
        {"taking out the video stream",
         {quenzo, "-ovc", "copy", "-nosound", "-of", "rawvideo", "-o", videoFile, source}},
        {"taking out the audio stream",
         {quenzo, "-ovc", "frameno", "-oac", "copy", "-of", "rawaudio", "-o", audioFile, source}},
        {"writing the MP4 video track", {creator, "-c", videoFile, "-rate=" + rate, mp4}},
        {"adding the MP4 audio track", {creator, "-c", audioFile, mp4}},
    };
    for (const auto& step : steps) {
        const bool audioStep = &step == &steps[1] || &step == &steps[3];
        if (audioStep && !withAudio)
            continue;
        if (Status s = RunStep(step.what, step.argv, stop); !s)
            return s;
    }
    return {};
}

} // namespace qv
