#include "ToolRun.h"

#include <chrono>
#include <optional>
#include <thread>

namespace qv {

namespace {

uint64_t NowMs() {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
}

void Keep(std::string& kept, std::string_view chunk, size_t limit) {
    if (limit == 0)
        return;
    kept.append(chunk);
    if (kept.size() > 2 * limit)
        kept.erase(0, kept.size() - limit);
}

} // namespace

std::string ToolResult::LastLine() const {
    size_t end = output.find_last_not_of("\r\n");
    if (end == std::string::npos)
        return "";
    size_t start = output.find_last_of("\r\n", end);
    return output.substr(start == std::string::npos ? 0 : start + 1,
                         end - (start == std::string::npos ? 0 : start + 1) + 1);
}

ToolResult RunTool(const ToolRun& run) {
    ToolResult result;
    ChildProcess tool;
    if (!tool.Start(run.argv, run.process, &result.error)) {
        result.end = ToolEnd::StartFailed;
        return result;
    }
    if (!run.process.pipeInput)
        tool.CloseInput();
    std::thread errors;
    if (run.process.errorPipe && !run.process.mergeErrors)
        errors = std::thread([&tool, &run] {
            char buffer[4096];
            long n;
            while ((n = tool.ReadErrors(buffer, sizeof buffer)) > 0)
                if (run.errors)
                    run.errors(std::string_view(buffer, static_cast<size_t>(n)));
        });
    if (run.started)
        run.started(tool);
    std::atomic<bool> ended{false};
    std::thread feeder;
    if (run.feed && run.process.pipeInput)
        feeder = std::thread([&tool, &run, &ended] {
            run.feed(tool, ended);
            tool.CloseInput();
        });

    const int wakeMs = run.wakeMs > 0 ? run.wakeMs : 200;
    auto stopped = [&run] { return run.stop && run.stop(); };
    std::optional<ToolEnd> end;
    uint64_t lastOutput = NowMs();
    char buffer[4096];
    for (;;) {
        // Waiting with a time limit: a stop is seen even while the tool is
        // silent, and one silent for too long is given up on.
        if (!tool.WaitForOutput(wakeMs)) {
            if (stopped())
                end = ToolEnd::Stopped;
            else if (run.silenceLimitMs > 0 && NowMs() - lastOutput >= run.silenceLimitMs)
                end = ToolEnd::Silent;
            if (end)
                break;
            continue;
        }
        lastOutput = NowMs();
        long n = tool.Read(buffer, sizeof buffer);
        if (n <= 0)
            break;
        const std::string_view chunk(buffer, static_cast<size_t>(n));
        Keep(result.output, chunk, run.keepOutput);
        if (run.output && !run.output(chunk)) {
            end = ToolEnd::SinkEnded;
            break;
        }
        if (stopped()) {
            end = ToolEnd::Stopped;
            break;
        }
    }

    if (!end) {
        // The output has ended: the tool's own exit tells how it went. One that
        // keeps running without output is ended by force.
        for (int waited = 0; tool.IsRunning() && waited < run.exitGraceMs && !stopped();
             waited += 20)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (tool.IsRunning())
            end = stopped() ? ToolEnd::Stopped : ToolEnd::Hung;
        else {
            end = ToolEnd::Exited;
            result.exitCode = tool.ExitCode().value_or(-1);
        }
    }
    ended = true;
    tool.Terminate(); // the whole group: nothing it started outlives the run
    // The tool has gone, so a feeder blocked on its input is free again.
    if (feeder.joinable())
        feeder.join();
    tool.CloseOutput();
    if (errors.joinable())
        errors.join();
    if (result.output.size() > run.keepOutput)
        result.output.erase(0, result.output.size() - run.keepOutput);
    result.end = *end;
    return result;
}

void LineSplitter::Feed(std::string_view chunk, const LineSink& sink) {
    pending_.append(chunk);
    size_t start = 0, at;
    while ((at = pending_.find_first_of("\r\n", start)) != std::string::npos) {
        sink(std::string_view(pending_).substr(start, at - start), pending_[at]);
        start = at + 1;
    }
    pending_.erase(0, start);
}

void LineSplitter::Flush(const LineSink& sink) {
    if (!pending_.empty())
        sink(pending_, '\0');
    pending_.clear();
}

} // namespace qv
