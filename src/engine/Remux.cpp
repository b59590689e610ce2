#include "Remux.h"

#include "OutputFile.h"
#include "platform/ChildProcess.h"

namespace qv {

namespace {

constexpr int kStopCheckMs = 200;
constexpr size_t kKeptOutput = 2000;

// The last line with text of a tool's output, for the reason of a failure.
std::string LastLine(const std::string& output) {
    size_t end = output.find_last_not_of("\r\n ");
    if (end == std::string::npos)
        return "";
    size_t start = output.find_last_of("\r\n", end);
    return output.substr(start == std::string::npos ? 0 : start + 1, end + 1 - (start + 1));
}

} // namespace

StepResult RunTool(const std::vector<std::string>& argv, const std::function<bool()>& stopRequested,
                   std::string* output) {
    ChildProcess tool;
    ChildProcess::Options o;
    o.pipeInput = false;
    std::string error;
    if (!tool.Start(argv, o, &error)) {
        *output = error;
        return StepResult::Failed;
    }
    output->clear();
    char buffer[4096];
    for (;;) {
        if (stopRequested && stopRequested()) {
            tool.Terminate();
            return StepResult::Stopped;
        }
        if (!tool.WaitForOutput(kStopCheckMs))
            continue;
        long n = tool.Read(buffer, sizeof buffer);
        if (n <= 0)
            break;
        output->append(buffer, static_cast<size_t>(n));
        if (output->size() > 2 * kKeptOutput)
            output->erase(0, output->size() - kKeptOutput);
    }
    int code = tool.Wait();
    tool.Terminate(); // anything it left behind in its group
    return code == 0 ? StepResult::Done : StepResult::Failed;
}

StepResult RemuxToMp4(const std::string& toolFolder, const std::string& format,
                      const std::string& intermediate, const std::string& rate,
                      const std::string& mp4Path, JobFiles& files,
                      const std::function<bool()>& stopRequested, std::string* error) {
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
    std::string reserveError;
    const std::string video =
        ReserveOutputName(stem + (format == "ipod_h264" ? ".264" : ".m4v"), &reserveError);
    if (!video.empty())
        files.AddScratch(video + kPartialSuffix);
    const std::string audio = video.empty() ? "" : ReserveOutputName(stem + ".aac", &reserveError);
    if (audio.empty()) {
        *error = reserveError;
        return StepResult::Failed;
    }
    files.AddScratch(audio + kPartialSuffix);
    // A path that begins with "-" must not read as an option.
    auto arg = [](const std::string& path) { return path.front() == '-' ? "./" + path : path; };
    const std::string videoFile = arg(video + kPartialSuffix);
    const std::string audioFile = arg(audio + kPartialSuffix);
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
        std::string output;
        StepResult r = RunTool(step.argv, stopRequested, &output);
        if (r == StepResult::Failed)
            *error = std::string("the MP4 step failed ") + step.what + ": " + LastLine(output);
        if (r != StepResult::Done)
            return r;
    }
    return StepResult::Done;
}

} // namespace qv
