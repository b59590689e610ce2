#pragma once

// For code that forks a child to run a library it does not trust (a damaged
// disc can crash or hang libdvdread): the child dies with the thread that
// forked it, the parent waits for it only so long, and what it found comes
// back through shared memory.

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <memory>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <time.h>
#include <type_traits>
#include <unistd.h>

namespace qv {

// Called first thing in the forked child, with getpid() of the parent taken
// before the fork: false when the parent has already gone (the child must
// then _exit at once).
inline bool DieWithParent(pid_t parent) {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    return ::getppid() == parent;
}

// Waits at most limitMs for the child; after that, or as soon as *cancel
// (when given) becomes non-zero, it is killed and reaped; tick() is called
// between the looks. Returns the wait status, or -1 when the child was killed.
template <class Tick>
inline int WaitChildFor(pid_t pid, int limitMs, const int32_t* cancel, Tick tick) {
    int status = 0;
    for (int waited = 0;; waited += 20) {
        tick();
        pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid)
            return status;
        if (r < 0 && errno != EINTR)
            return -1;
        if (waited >= limitMs || (cancel && __atomic_load_n(cancel, __ATOMIC_ACQUIRE) != 0)) {
            ::kill(pid, SIGKILL);
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            return -1;
        }
        timespec pause{0, 20 * 1000 * 1000};
        ::nanosleep(&pause, nullptr);
    }
}
inline int WaitChildFor(pid_t pid, int limitMs, const int32_t* cancel = nullptr) {
    return WaitChildFor(pid, limitMs, cancel, [] {});
}

// How long a disc survey may take before it counts as hung.
inline constexpr int kDiscSurveyLimitMs = 120000;

// What RunInForkedChild returns when the child crashed, was killed on a
// cancel or ran out of time.
inline constexpr int kForkedChildFailed = -1;

// Runs work(block) in a forked child, with block a zero-filled Block in
// memory the child shares with this process, and hands the block to
// keep(const Block&) here when work returned 0. The child dies with the
// thread that forked it, and is killed and reaped after limitMs or as soon as
// *cancel (when given) becomes non-zero. Returns what work returned (an exit
// status, 0..255), or kForkedChildFailed. When no child can be had, work runs
// in this process instead.
//
// The child has a copy of this process: what it should tell anyone (a
// window's reports, say) goes into the block, and this process tells it;
// watch(const Block&) is called here every 20 ms while the child works, so
// that what the child writes as it goes (its progress) can be told at once.
template <class Block, class Work, class Keep, class Watch>
int RunInForkedChild(int limitMs, const int32_t* cancel, Work work, Keep keep, Watch watch) {
    static_assert(std::is_trivially_copyable_v<Block>, "the block is shared as plain bytes");
    void* shared =
        ::mmap(nullptr, sizeof(Block), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    std::unique_ptr<Block> local;
    Block* block;
    if (shared == MAP_FAILED) {
        local = std::make_unique<Block>();
        block = local.get();
    } else {
        block = static_cast<Block*>(shared);
    }
    std::memset(static_cast<void*>(block), 0, sizeof(Block));
    const pid_t parent = ::getpid();
    const pid_t pid = local ? -1 : ::fork();
    if (pid == 0) {
        if (!DieWithParent(parent))
            ::_exit(127);
        ::_exit(work(*block));
    }
    int result;
    if (pid > 0) {
        const int status =
            WaitChildFor(pid, limitMs, cancel, [&] { watch(static_cast<const Block&>(*block)); });
        result = status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : kForkedChildFailed;
    } else {
        result = work(*block);
    }
    if (result == 0)
        keep(static_cast<const Block&>(*block));
    if (!local)
        ::munmap(shared, sizeof(Block));
    return result;
}

template <class Block, class Work, class Keep>
int RunInForkedChild(int limitMs, const int32_t* cancel, Work work, Keep keep) {
    return RunInForkedChild<Block>(limitMs, cancel, work, keep, [](const Block&) {});
}

} // namespace qv
