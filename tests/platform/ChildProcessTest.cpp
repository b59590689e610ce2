#include "platform/ChildProcess.h"
#include "ForkedChild.h"

#include "support/Process.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <thread>

using qv::ChildProcess;

namespace {

std::string ReadAll(ChildProcess& child) {
    std::string out;
    char buffer[7]; // small on purpose: reads never exceed the size asked for
    long n;
    while ((n = child.Read(buffer, sizeof buffer)) > 0) {
        EXPECT_LE(n, static_cast<long>(sizeof buffer));
        out.append(buffer, static_cast<size_t>(n));
    }
    return out;
}

ChildProcess::Options Opts() {
    return ChildProcess::Options{};
}

bool StartSh(ChildProcess& child, const std::string& script,
             ChildProcess::Options options = Opts()) {
    std::string error;
    bool ok = child.Start({"sh", "-c", script}, options, &error);
    EXPECT_TRUE(ok) << error;
    return ok;
}

} // namespace

TEST(ChildProcess, MergesErrorsIntoOutputAndReportsTheExitCode) {
    ChildProcess child;
    ASSERT_TRUE(StartSh(child, "echo out; echo err >&2; exit 3"));
    std::string out = ReadAll(child);
    EXPECT_NE(out.find("out\n"), std::string::npos);
    EXPECT_NE(out.find("err\n"), std::string::npos);
    EXPECT_EQ(child.Wait(), 3);
    EXPECT_FALSE(child.IsRunning());
    EXPECT_EQ(child.ExitCode(), 3);
}

TEST(ChildProcess, RunsInTheWorkingFolderWithItsOwnGroupAndNiceValue) {
    qvtest::TempDir dir;
    ChildProcess child;
    ChildProcess::Options o;
    o.workDir = dir.path();
    o.niceValue = qv::NiceForPriorityClass(64);
    // pwd; the process group (field 5 of stat) against the shell's pid; nice value
    ASSERT_TRUE(StartSh(child, "sleep 0.2; pwd; echo $$ $(cut -d' ' -f5 /proc/$$/stat); nice", o));
    std::string out = ReadAll(child);
    EXPECT_EQ(child.Wait(), 0);
    std::istringstream lines(out);
    std::string pwd, pid, group, nice;
    lines >> pwd >> pid >> group >> nice;
    EXPECT_EQ(pwd, dir.path());
    EXPECT_EQ(pid, group);
    EXPECT_EQ(pid, std::to_string(child.Pid()));
    EXPECT_EQ(nice, "19");
}

TEST(ChildProcess, PriorityClassesMapToNiceValues) {
    EXPECT_EQ(qv::NiceForPriorityClass(32), 0);
    EXPECT_EQ(qv::NiceForPriorityClass(64), 19);
    EXPECT_EQ(qv::NiceForPriorityClass(16384), 10);
    EXPECT_EQ(qv::NiceForPriorityClass(32768), -5);
    EXPECT_EQ(qv::NiceForPriorityClass(128), -10);
    EXPECT_EQ(qv::NiceForPriorityClass(256), -15);
    EXPECT_EQ(qv::NiceForPriorityClass(12345), 0);
}

TEST(ChildProcess, PeekShowsWaitingBytesWithoutConsumingThem) {
    ChildProcess child;
    ASSERT_TRUE(StartSh(child, "printf hello; exec sleep 5"));
    size_t waiting = 0;
    for (int i = 0; i < 500 && waiting < 5; ++i) {
        waiting = child.Peek();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(waiting, 5u);
    EXPECT_EQ(child.Peek(), 5u);
    char buffer[16];
    EXPECT_EQ(child.Read(buffer, 3), 3);
    EXPECT_EQ(std::string(buffer, 3), "hel");
    EXPECT_EQ(child.Peek(), 2u);
    EXPECT_TRUE(child.IsRunning());
    child.Terminate();
    EXPECT_FALSE(child.IsRunning());
    EXPECT_EQ(child.ExitCode(), 128 + SIGKILL);
}

TEST(ChildProcess, TerminateEndsTheWholeGroup) {
    ChildProcess child;
    // The shell starts a grandchild and reports its pid.
    ASSERT_TRUE(StartSh(child, "sleep 60 & echo $!; wait"));
    std::string line;
    char c;
    while (child.Read(&c, 1) == 1 && c != '\n')
        line += c;
    pid_t grandchild = std::stoi(line);
    child.Terminate();
    EXPECT_TRUE(qvtest::ProcessGone(grandchild));
    EXPECT_EQ(child.Read(&c, 1), 0); // every writer of the pipe has gone
}

TEST(ChildProcess, InputReachesTheChildAndWritingToAGoneChildFails) {
    ChildProcess child;
    ASSERT_TRUE(StartSh(child, "read line; echo got:$line"));
    ASSERT_TRUE(child.Write("abc\n", 4));
    EXPECT_EQ(ReadAll(child), "got:abc\n");
    EXPECT_EQ(child.Wait(), 0);
    // The reader has gone: the write fails instead of ending the test.
    std::string big(1 << 20, 'x');
    EXPECT_FALSE(child.Write(big.data(), big.size()));
}

TEST(ChildProcess, AMissingProgramOrFolderIsReportedAsAStartFailure) {
    ChildProcess a;
    std::string error;
    EXPECT_FALSE(a.Start({"/nonexistent/tool"}, Opts(), &error));
    EXPECT_NE(error.find("/nonexistent/tool"), std::string::npos);
    EXPECT_FALSE(a.Started());

    ChildProcess b;
    ChildProcess::Options o;
    o.workDir = "/nonexistent-folder";
    EXPECT_FALSE(b.Start({"sh", "-c", "true"}, o, &error));
    EXPECT_FALSE(b.IsRunning());

    ChildProcess c;
    EXPECT_FALSE(c.Start({}, Opts(), &error));
}

TEST(ChildProcess, DestructorKillsARunningChild) {
    pid_t pid;
    {
        ChildProcess child;
        ASSERT_TRUE(StartSh(child, "exec sleep 60"));
        pid = child.Pid();
    }
    EXPECT_TRUE(qvtest::ProcessGone(pid));
}

TEST(ForkedChild, AChildThatTakesTooLongIsKilledAndOneThatEndsIsReaped) {
    const pid_t parent = ::getpid();
    pid_t slow = ::fork();
    if (slow == 0) {
        if (!qv::DieWithParent(parent))
            ::_exit(3);
        ::pause();
        ::_exit(0);
    }
    EXPECT_EQ(qv::WaitChildFor(slow, 100), -1);
    EXPECT_TRUE(qvtest::ProcessGone(slow));
    pid_t quick = ::fork();
    if (quick == 0)
        ::_exit(7);
    int status = qv::WaitChildFor(quick, 60000);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 7);
}
