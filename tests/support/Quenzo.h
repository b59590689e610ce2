#pragma once
// The encoder front end and ffprobe as the codec tests run them.

#include "support/Paths.h"
#include "support/Tool.h"

#include "platform/CommandLine.h"

#include <string>
#include <vector>

namespace qvtest {

// A generated test clip's path.
inline std::string MediaPath(const std::string& name) {
    return MediaDir() + name;
}

// Runs the build's quenzo with a command line as the engine writes it.
inline ToolRun RunQuenzo(const std::string& options) {
    std::vector<std::string> args = qv::SplitCommandLine(options);
    args.insert(args.begin(), ProgramDir() + "codecs/quenzo");
    return RunTool(args);
}

// ffprobe's values of ENTRIES (e.g. "stream=codec_name") as CSV lines,
// of the streams named (e.g. "v:0") or of all.
inline std::string ProbeEntries(const std::string& file, const std::string& entries,
                                const std::string& streams = "") {
    std::vector<std::string> args = {"ffprobe", "-v", "error"};
    if (!streams.empty())
        args.insert(args.end(), {"-select_streams", streams});
    args.insert(args.end(), {"-show_entries", entries, "-of", "csv=p=0", file});
    return RunTool(args).output;
}

} // namespace qvtest
