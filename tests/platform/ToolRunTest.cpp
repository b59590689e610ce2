#include "platform/ToolRun.h"

#include "support/Process.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <thread>

using qv::LineSplitter;
using qv::RunTool;
using qv::ToolEnd;
using qv::ToolRun;

namespace {

ToolRun Sh(const std::string& script) {
    ToolRun run;
    run.argv = {"sh", "-c", script};
    return run;
}

pid_t ReadPid(const std::string& path) {
    for (int i = 0; i < 200; ++i) {
        std::ifstream in(path);
        pid_t pid = 0;
        if (in >> pid && pid > 0)
            return pid;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return 0;
}

} // namespace

TEST(ToolRun, OutputReachesTheSinkAndTheExitCodeAndTailAreKept) {
    std::string seen;
    ToolRun run = Sh("printf 'first\\nsecond\\n'; echo err >&2; exit 4");
    run.output = [&](std::string_view chunk) {
        seen.append(chunk);
        return true;
    };
    run.keepOutput = 12;
    qv::ToolResult r = RunTool(run);
    EXPECT_EQ(r.end, ToolEnd::Exited);
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_FALSE(r.Succeeded());
    EXPECT_NE(seen.find("first\nsecond\n"), std::string::npos);
    EXPECT_NE(seen.find("err"), std::string::npos); // merged by default
    EXPECT_LE(r.output.size(), 12u);
    EXPECT_EQ(r.LastLine(), "err");

    r = RunTool(Sh("exit 0"));
    EXPECT_TRUE(r.Succeeded());
}

TEST(ToolRun, AMissingToolIsAStartFailureWithItsReason) {
    ToolRun run;
    run.argv = {"/nonexistent/tool"};
    qv::ToolResult r = RunTool(run);
    EXPECT_EQ(r.end, ToolEnd::StartFailed);
    EXPECT_FALSE(r.error.empty());
}

TEST(ToolRun, AStopEndsASilentToolAndEverythingItStarted) {
    qvtest::TempDir dir;
    const std::string pidFile = dir / "grandchild";
    std::atomic<bool> stop{false};
    ToolRun run = Sh("sleep 60 & echo $! > '" + pidFile + "'; wait");
    run.stop = [&] { return stop.load(); };
    run.wakeMs = 20;
    std::thread stopper([&] {
        ReadPid(pidFile);
        stop = true;
    });
    const auto start = std::chrono::steady_clock::now();
    qv::ToolResult r = RunTool(run);
    stopper.join();
    EXPECT_EQ(r.end, ToolEnd::Stopped);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
    pid_t grandchild = ReadPid(pidFile);
    ASSERT_GT(grandchild, 0);
    EXPECT_TRUE(qvtest::ProcessGone(grandchild));
}

TEST(ToolRun, ASilentToolASinkThatEndsItAndAToolThatDoesNotExitAreToldApart) {
    ToolRun silent = Sh("echo hello; sleep 60");
    silent.silenceLimitMs = 300;
    silent.wakeMs = 20;
    EXPECT_EQ(RunTool(silent).end, ToolEnd::Silent);

    int chunks = 0;
    ToolRun marker = Sh("echo one; sleep 0.2; echo GIVE-UP; sleep 60");
    marker.output = [&](std::string_view chunk) {
        ++chunks;
        return chunk.find("GIVE-UP") == std::string_view::npos;
    };
    EXPECT_EQ(RunTool(marker).end, ToolEnd::SinkEnded);
    EXPECT_GE(chunks, 1);

    // Closes its output and lingers: ended by force after the grace time.
    ToolRun lingering = Sh("exec >/dev/null 2>&1; sleep 60");
    lingering.exitGraceMs = 200;
    EXPECT_EQ(RunTool(lingering).end, ToolEnd::Hung);
}

TEST(ToolRun, ErrorsOnTheirOwnPipeAndInputFedOnceStarted) {
    ToolRun run = Sh("cat; echo problem >&2");
    run.process.pipeInput = true;
    run.process.mergeErrors = false;
    run.process.errorPipe = true;
    std::string out, errors;
    run.output = [&](std::string_view chunk) {
        out.append(chunk);
        return true;
    };
    run.errors = [&](std::string_view chunk) { errors.append(chunk); };
    run.feed = [](qv::ChildProcess& child, const std::atomic<bool>&) {
        child.Write("fed\n", 4); // the input is closed when the feeder returns
    };
    qv::ToolResult r = RunTool(run);
    EXPECT_TRUE(r.Succeeded());
    EXPECT_EQ(out, "fed\n");
    EXPECT_EQ(errors, "problem\n");
}

TEST(ToolRun, AFeederIsFreedAndJoinedWhateverEndsTheRun) {
    // Blocked on the input of a tool that never reads it: the end of the
    // tool makes the write fail.
    ToolRun deaf = Sh("sleep 60");
    deaf.process.pipeInput = true;
    deaf.silenceLimitMs = 200;
    deaf.wakeMs = 20;
    std::atomic<int> wrote{-1};
    deaf.feed = [&](qv::ChildProcess& child, const std::atomic<bool>&) {
        const std::string block(1 << 20, 'x'); // more than a pipe holds
        wrote = child.Write(block.data(), block.size()) ? 1 : 0;
    };
    EXPECT_EQ(RunTool(deaf).end, ToolEnd::Silent);
    EXPECT_EQ(wrote, 0); // returned, and failed, before RunTool did

    // Waiting on something else: told by the ended flag.
    ToolRun brief = Sh("echo done");
    brief.process.pipeInput = true;
    std::atomic<bool> sawEnd{false};
    brief.feed = [&](qv::ChildProcess&, const std::atomic<bool>& ended) {
        while (!ended)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        sawEnd = true;
    };
    EXPECT_TRUE(RunTool(brief).Succeeded());
    EXPECT_TRUE(sawEnd);
}

TEST(LineSplitter, LinesSplitAcrossChunksAreWholeAndTheTailIsFlushed) {
    LineSplitter lines;
    std::vector<std::pair<std::string, char>> got;
    auto sink = [&](std::string_view line, char end) { got.emplace_back(std::string(line), end); };
    lines.Feed("Pos: 1.0s\rPos: 2.", sink);
    lines.Feed("0s\rdone\n", sink);
    lines.Feed("tail", sink);
    lines.Flush(sink);
    ASSERT_EQ(got.size(), 4u);
    EXPECT_EQ(got[0], std::make_pair(std::string("Pos: 1.0s"), '\r'));
    EXPECT_EQ(got[1], std::make_pair(std::string("Pos: 2.0s"), '\r'));
    EXPECT_EQ(got[2], std::make_pair(std::string("done"), '\n'));
    EXPECT_EQ(got[3], std::make_pair(std::string("tail"), '\0'));
}
