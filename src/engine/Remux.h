#pragma once

#include <string>

namespace qv {

// Turns the encoder's intermediate AVI of an "ipod_h264" or "ipod_mpeg4"
// job into the final MP4: splits it into a raw video and a raw AAC stream
// with the encoder, joins them with mp4creator, and deletes the three
// intermediate files. Returns the MP4 path it aimed at. Each tool run is
// waited for; none is examined.
std::string RemuxToMp4(const std::string& toolFolder, const std::string& format,
                       const std::string& intermediate, const std::string& rate,
                       const std::string& targetStem);

// Runs a tool command line (no shell) and waits for it; its output is thrown
// away. Returns the exit code, -1 when it could not start.
int RunTool(const std::string& commandLine);

} // namespace qv
