#include "Remux.h"

#include "EncoderCommand.h"
#include "platform/ChildProcess.h"
#include "platform/CommandLine.h"
#include "services/Services.h"

#include <unistd.h>

namespace qv {

int RunTool(const std::string& commandLine) {
    ChildProcess tool;
    ChildProcess::Options o;
    o.pipeInput = false;
    std::string error;
    if (!tool.Start(SplitCommandLine(commandLine), o, &error)) {
        Log("[ERROR] " + error);
        return -1;
    }
    char buffer[4096];
    while (tool.Read(buffer, sizeof buffer) > 0) {
    }
    return tool.Wait();
}

std::string RemuxToMp4(const std::string& toolFolder, const std::string& format,
                       const std::string& intermediate, const std::string& rate,
                       const std::string& targetStem) {
    size_t dot = intermediate.rfind('.');
    size_t slash = intermediate.rfind('/');
    const std::string stem =
        (dot == std::string::npos || (slash != std::string::npos && dot < slash))
            ? std::string()
            : intermediate.substr(0, dot);
    // The raw streams take free names too: a file of the user's that bears
    // one of them must not be overwritten and then deleted.
    const std::string video = MakeUniquePath(stem + (format == "ipod_h264" ? ".264" : ".m4v"));
    const std::string audio = MakeUniquePath(stem + ".aac");
    const std::string quenzo = QuotePath(toolFolder + "codecs/quenzo");
    const std::string creator = QuotePath(toolFolder + "codecs/mp4creator");

    RunTool(quenzo + " -ovc copy -nosound  -of rawvideo -o " + QuotePath(video) + " " +
            QuotePath(intermediate));
    RunTool(quenzo + " -ovc frameno -oac copy -of rawaudio -o " + QuotePath(audio) + " " +
            QuotePath(intermediate));
    const std::string mp4 = MakeUniquePath(targetStem + ".mp4");
    RunTool(creator + " -c " + QuotePath(video) + " -rate=" + rate + " " + QuotePath(mp4));
    RunTool(creator + " -c " + QuotePath(audio) + " " + QuotePath(mp4));
    ::unlink(video.c_str());
    ::unlink(audio.c_str());
    ::unlink(intermediate.c_str());
    return mp4;
}

} // namespace qv
