#pragma once

// For code that forks a child to run a library it does not trust (a damaged
// disc can crash or hang libdvdread): the child dies with the thread that
// forked it, and the parent waits for it only so long.

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <sys/prctl.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <time.h>
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
// (when given) becomes non-zero, it is killed and reaped. Returns the wait
// status, or -1 when the child was killed.
inline int WaitChildFor(pid_t pid, int limitMs, const int32_t* cancel = nullptr) {
    int status = 0;
    for (int waited = 0;; waited += 20) {
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

// How long a disc survey may take before it counts as hung.
inline constexpr int kDiscSurveyLimitMs = 120000;

} // namespace qv
