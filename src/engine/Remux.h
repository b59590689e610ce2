#pragma once

#include "base/Result.h"

#include <functional>
#include <string>

namespace qv {

class JobFiles;

// How long a step's tool may take to exit once its output has ended, before
// it is ended by force and the step fails.
inline constexpr int kToolExitGraceMs = 10000;

// Turns the encoder's intermediate AVI of an "ipod_h264" or "ipod_mpeg4"
// job into the MP4 at mp4Path (the job's reserved ".partial" file): splits
// it into a raw video and a raw AAC stream with the encoder and joins them
// with mp4creator (a source without sound gives a video-only MP4). Any failing step ends it with
// the step and its reason. The stop test is asked at least five times a second while a tool runs;
// when it ends a tool the result is a failure too, which the caller tells
// apart by its own stop test. The raw streams are scratch files of the job;
// the intermediate is left to the caller.
Status RemuxToMp4(const std::string& toolFolder, const std::string& format,
                  const std::string& intermediate, const std::string& rate, bool withAudio,
                  const std::string& mp4Path, JobFiles& files, const std::function<bool()>& stop);

} // namespace qv
