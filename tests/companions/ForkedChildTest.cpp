#include "ForkedChild.h"
#include "DvdInfoBlock.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <thread>
#include <unistd.h>

namespace {

struct Findings {
    int32_t count;
    char text[64];
};

using Clock = std::chrono::steady_clock;

// The child's pid, as the child writes it into a pipe before it hangs.
pid_t ReadPid(int fd) {
    pid_t pid = 0;
    return ::read(fd, &pid, sizeof pid) == static_cast<ssize_t>(sizeof pid) ? pid : 0;
}

// Not there any more, not even as a zombie: killed and reaped.
bool Reaped(pid_t pid) {
    return ::kill(pid, 0) != 0 && errno == ESRCH;
}

} // namespace

TEST(ForkedChild, TheChildsFindingsAndStatusComeBackAndAFailureKeepsNothing) {
    const pid_t self = ::getpid();
    Findings kept{};
    int keeps = 0;
    auto keep = [&](const Findings& f) {
        kept = f;
        ++keeps;
    };
    int r = qv::RunInForkedChild<Findings>(
        5000, nullptr,
        [self](Findings& f) {
            f.count = ::getpid() != self ? 7 : -1; // written by another process
            std::strcpy(f.text, "found");
            return 0;
        },
        keep);
    EXPECT_EQ(r, 0);
    EXPECT_EQ(keeps, 1);
    EXPECT_EQ(kept.count, 7);
    EXPECT_STREQ(kept.text, "found");

    // A child that fails says how, and what it wrote is not taken.
    r = qv::RunInForkedChild<Findings>(
        5000, nullptr,
        [](Findings& f) {
            f.count = 1;
            return 2;
        },
        keep);
    EXPECT_EQ(r, 2);
    // A child that dies by a signal is an error, not this process's end. The
    // signal is one no handler can catch: under AddressSanitizer a SIGSEGV
    // would become the sanitizer's exit status 1.
    r = qv::RunInForkedChild<Findings>(
        5000, nullptr,
        [](Findings& f) {
            f.count = 1;
            ::raise(SIGKILL);
            return 0;
        },
        keep);
    EXPECT_EQ(r, qv::kForkedChildFailed);
    EXPECT_EQ(keeps, 1);
}

TEST(ForkedChild, AHungChildIsKilledAndReapedOnCancelAndAfterTheLimit) {
    int pids[2];
    ASSERT_EQ(::pipe(pids), 0);
    auto hang = [&pids](Findings&) {
        const pid_t me = ::getpid();
        ssize_t ignored = ::write(pids[1], &me, sizeof me);
        (void)ignored;
        ::sleep(60);
        return 0;
    };
    bool kept = false;
    auto keep = [&kept](const Findings&) { kept = true; };

    int32_t cancel = 0;
    pid_t child = 0;
    std::thread canceller([&] {
        child = ReadPid(pids[0]);
        qv::RequestCancel(cancel);
    });
    auto start = Clock::now();
    EXPECT_EQ(qv::RunInForkedChild<Findings>(qv::kDiscSurveyLimitMs, &cancel, hang, keep),
              qv::kForkedChildFailed);
    canceller.join();
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(10));
    ASSERT_GT(child, 0);
    EXPECT_TRUE(Reaped(child));

    start = Clock::now();
    EXPECT_EQ(qv::RunInForkedChild<Findings>(200, nullptr, hang, keep), qv::kForkedChildFailed);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(10));
    child = ReadPid(pids[0]);
    ASSERT_GT(child, 0);
    EXPECT_TRUE(Reaped(child));
    EXPECT_FALSE(kept);
    ::close(pids[0]);
    ::close(pids[1]);
}
