#pragma once

#include <functional>
#include <string>
#include <vector>

namespace qv {

class JobFiles;

enum class StepResult { Done, Failed, Stopped };

// Turns the encoder's intermediate AVI of an "ipod_h264" or "ipod_mpeg4"
// job into the MP4 at mp4Path (the job's reserved ".partial" file): splits
// it into a raw video and a raw AAC stream with the encoder and joins them
// with mp4creator. Any failing step ends it: the result is Failed with the
// step and its reason in *error. The raw streams are scratch files of the
// job; the intermediate is left to the caller.
StepResult RemuxToMp4(const std::string& toolFolder, const std::string& format,
                      const std::string& intermediate, const std::string& rate,
                      const std::string& mp4Path, JobFiles& files,
                      const std::function<bool()>& stopRequested, std::string* error);

// Runs a tool (no shell) until it ends, throwing its output away but for the
// last lines, which *output receives. A stop request ends it and its process
// group. Done only when it exits with status 0.
StepResult RunTool(const std::vector<std::string>& argv, const std::function<bool()>& stopRequested,
                   std::string* output);

} // namespace qv
