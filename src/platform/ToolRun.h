#pragma once

// Runs a tool to its end: its output goes to a sink as it comes, a stop test
// and a silence limit can end it early, and whatever ends the run, the tool
// (with its process group) is ended and reaped before RunTool returns. Every
// tool the program and its helpers start runs through here.

#include "ChildProcess.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

enum class ToolEnd {
    Exited,      // the tool ended on its own: see exitCode
    StartFailed, // it could not be started: see error
    Stopped,     // the stop test said so
    Silent,      // it printed nothing for the silence limit
    SinkEnded,   // the output sink asked to end it (a give-up marker, say)
    Hung,        // its output ended but it did not exit within the grace time
};

struct ToolRun {
    std::vector<std::string> argv;
    ChildProcess::Options process = [] {
        ChildProcess::Options o;
        o.pipeInput = false;
        return o;
    }();
    // Each piece of output as it comes (stdout, with stderr unless the
    // process options say otherwise); false ends the run (ToolEnd::SinkEnded).
    std::function<bool(std::string_view chunk)> output;
    // With process.errorPipe: each piece of stderr, read on a thread of its own.
    std::function<void(std::string_view chunk)> errors;
    // Asked after each piece of output and every wakeMs while the tool is
    // silent; true ends the run (ToolEnd::Stopped).
    std::function<bool()> stop;
    // Called once the tool runs, before its output is read: to note its pid
    // for a signal handler, say.
    std::function<void(ChildProcess&)> started;
    // With process.pipeInput: run on a thread of its own once the tool runs,
    // to write the tool's input; the input is closed when it returns. `ended`
    // turns true once the run is over and the tool has been ended, after
    // which writes to it fail; a feeder that waits on something else (its
    // own input, say) looks at it. RunTool returns only after feed has.
    std::function<void(ChildProcess& tool, const std::atomic<bool>& ended)> feed;
    int wakeMs = 200;
    uint64_t silenceLimitMs = 0; // 0: no limit
    int exitGraceMs = 5000;      // how long the tool may take to exit once its output ended
    size_t keepOutput = 0;       // the last this many bytes of output are kept in the result
};

struct ToolResult {
    ToolEnd end = ToolEnd::StartFailed;
    int exitCode = -1;  // with ToolEnd::Exited (128 + N for signal N)
    std::string error;  // with ToolEnd::StartFailed
    std::string output; // the kept tail of the output (ToolRun::keepOutput)
    bool Succeeded() const { return end == ToolEnd::Exited && exitCode == 0; }
    // The kept output's last non-empty line.
    std::string LastLine() const;
};

ToolResult RunTool(const ToolRun& run);

// Cuts a stream of chunks into lines ended by "\n" or "\r" and keeps the
// unread tail, so a line split across chunks is never lost or cut.
class LineSplitter {
public:
    // The line without its end, and the end character ('\0' for the tail
    // handed over by Flush).
    using LineSink = std::function<void(std::string_view line, char end)>;
    void Feed(std::string_view chunk, const LineSink& sink);
    void Flush(const LineSink& sink);

private:
    std::string pending_;
};

} // namespace qv
