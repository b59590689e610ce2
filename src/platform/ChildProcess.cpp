#include "ChildProcess.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qv {

int NiceForPriorityClass(int priorityClass) {
    switch (priorityClass) {
    case 64: return 19;
    case 16384: return 10;
    case 32768: return -5;
    case 128: return -10;
    case 256: return -15;
    default: return 0;
    }
}

namespace {

void CloseFd(int& fd) {
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

std::string ErrorText(const char* what, int err) {
    return std::string(what) + ": " + std::strerror(err);
}

// The file a program name stands for: itself when it holds a "/", else the
// first executable file of that name in PATH.
bool FindProgram(const std::string& name, std::string* path) {
    if (name.find('/') != std::string::npos) {
        *path = name;
        return true;
    }
    const char* env = std::getenv("PATH");
    std::string dirs = env && *env ? env : "/usr/local/bin:/usr/bin:/bin";
    size_t from = 0;
    for (;;) {
        size_t colon = dirs.find(':', from);
        std::string dir =
            dirs.substr(from, colon == std::string::npos ? std::string::npos : colon - from);
        std::string candidate = (dir.empty() ? "." : dir) + "/" + name;
        struct stat st;
        if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
            ::access(candidate.c_str(), X_OK) == 0) {
            *path = candidate;
            return true;
        }
        if (colon == std::string::npos)
            return false;
        from = colon + 1;
    }
}

struct ChildSide {
    int in, out, err, report;
};

[[noreturn]] void ChildFails(int report) {
    int e = errno;
    ssize_t ignored = ::write(report, &e, sizeof e);
    (void)ignored;
    ::_exit(127);
}

// The child between fork and exec: async-signal-safe calls only.
[[noreturn]] void RunChild(const ChildSide& side, const ChildProcess::Options& options,
                           const char* program, char* const* args, pid_t parent) {
    if (options.ownGroup)
        ::setpgid(0, 0);
    if (options.dieWithParent) {
        // Ends the child with the thread that started it, however that ends.
        // A parent that went before this line was reached is caught by the
        // parent check: the child was handed over to another process.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(127);
    }
    // A negative descriptor stands for /dev/null.
    auto attach = [&side](int fd, int target, int nullFlags) {
        if (fd < 0)
            fd = ::open("/dev/null", nullFlags);
        if (fd < 0 || ::dup2(fd, target) < 0)
            ChildFails(side.report);
    };
    attach(options.pipeInput ? side.in : -1, STDIN_FILENO, O_RDONLY);
    attach(side.out, STDOUT_FILENO, O_WRONLY);
    attach(options.mergeErrors ? side.out : side.err, STDERR_FILENO, O_WRONLY);
    if (!options.workDir.empty() && ::chdir(options.workDir.c_str()) != 0)
        ChildFails(side.report);
    // Default handling of the signals the tools rely on, and an empty mask.
    struct sigaction dfl;
    std::memset(&dfl, 0, sizeof dfl);
    dfl.sa_handler = SIG_DFL;
    for (int sig : {SIGPIPE, SIGINT, SIGTERM, SIGHUP})
        ::sigaction(sig, &dfl, nullptr);
    sigset_t empty;
    sigemptyset(&empty);
    ::sigprocmask(SIG_SETMASK, &empty, nullptr);
    ::execv(program, args);
    ChildFails(side.report);
}

} // namespace

ChildProcess::~ChildProcess() {
    if (pid_ > 0 && !exitCode_)
        Terminate();
    CloseInput();
    CloseOutput();
    CloseFd(errFd_);
}

bool ChildProcess::Start(const std::vector<std::string>& argv, const Options& options,
                         std::string* error) {
    // A write to a child that has gone must fail, not end this process.
    static std::once_flag sigpipeOnce;
    std::call_once(sigpipeOnce, [] { std::signal(SIGPIPE, SIG_IGN); });

    std::string ignored;
    if (!error)
        error = &ignored;
    if (pid_ > 0) {
        *error = "child process already started";
        return false;
    }
    if (argv.empty() || argv[0].empty()) {
        *error = "no program to start";
        return false;
    }

    int inPipe[2] = {-1, -1};
    int outPipe[2] = {-1, -1};
    if (options.pipeInput && ::pipe2(inPipe, O_CLOEXEC) != 0) {
        *error = ErrorText("cannot create the input pipe", errno);
        return false;
    }
    if (::pipe2(outPipe, O_CLOEXEC) != 0) {
        *error = ErrorText("cannot create the output pipe", errno);
        CloseFd(inPipe[0]);
        CloseFd(inPipe[1]);
        return false;
    }

    int errPipe[2] = {-1, -1};
    if (!options.mergeErrors && options.errorPipe && ::pipe2(errPipe, O_CLOEXEC) != 0) {
        *error = ErrorText("cannot create the error pipe", errno);
        for (int* fd : {&inPipe[0], &inPipe[1], &outPipe[0], &outPipe[1]})
            CloseFd(*fd);
        return false;
    }

    // Everything the child needs is prepared here: between fork and exec it
    // may only make async-signal-safe calls.
    std::string program;
    if (!FindProgram(argv[0], &program)) {
        *error = ErrorText(("cannot start " + argv[0]).c_str(), ENOENT);
        for (int* fd : {&inPipe[0], &inPipe[1], &outPipe[0], &outPipe[1], &errPipe[0], &errPipe[1]})
            CloseFd(*fd);
        return false;
    }
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    // The child tells an exec failure through this pipe; a successful exec
    // closes it.
    int report[2] = {-1, -1};
    if (::pipe2(report, O_CLOEXEC) != 0) {
        *error = ErrorText("cannot create a pipe", errno);
        for (int* fd : {&inPipe[0], &inPipe[1], &outPipe[0], &outPipe[1], &errPipe[0], &errPipe[1]})
            CloseFd(*fd);
        return false;
    }

    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ChildSide side{inPipe[0], outPipe[1], errPipe[1], report[1]};
        RunChild(side, options, program.c_str(), args.data(), parent);
    }
    const int forkErrno = errno;
    if (pid > 0 && options.ownGroup)
        ::setpgid(pid, pid); // also here, so that a kill of the group right away finds it
    CloseFd(report[1]);
    CloseFd(inPipe[0]);
    CloseFd(outPipe[1]);
    CloseFd(errPipe[1]);
    int rc = pid < 0 ? forkErrno : 0;
    if (pid > 0) {
        int childErrno = 0;
        ssize_t got;
        do {
            got = ::read(report[0], &childErrno, sizeof childErrno);
        } while (got < 0 && errno == EINTR);
        if (got == static_cast<ssize_t>(sizeof childErrno)) {
            rc = childErrno;
            int status;
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
        }
    }
    CloseFd(report[0]);
    if (rc != 0) {
        *error = ErrorText(("cannot start " + argv[0]).c_str(), rc);
        CloseFd(inPipe[1]);
        CloseFd(outPipe[0]);
        CloseFd(errPipe[0]);
        return false;
    }

    pid_ = pid;
    ownGroup_ = options.ownGroup;
    inFd_ = inPipe[1];
    outFd_ = outPipe[0];
    errFd_ = errPipe[0];
    exitCode_.reset();
    // The child has no way to set its own nice value before it runs; setting
    // it here happens before the tool gets to start children of its own.
    if (options.niceValue != 0 && ::setpriority(PRIO_PROCESS, pid_, options.niceValue) != 0)
        ::setpriority(PRIO_PROCESS, pid_, 0);
    return true;
}

namespace {

long ReadFd(int fd, char* buffer, size_t max) {
    if (fd < 0)
        return -1;
    for (;;) {
        ssize_t n = ::read(fd, buffer, max);
        if (n >= 0)
            return static_cast<long>(n);
        if (errno != EINTR)
            return -1;
    }
}

} // namespace

long ChildProcess::Read(char* buffer, size_t max) {
    return ReadFd(outFd_, buffer, max);
}
long ChildProcess::ReadErrors(char* buffer, size_t max) {
    return ReadFd(errFd_, buffer, max);
}

bool ChildProcess::WaitForOutput(int timeoutMs) const {
    if (outFd_ < 0)
        return true; // a Read returns at once
    pollfd p{outFd_, POLLIN, 0};
    int r;
    do {
        r = ::poll(&p, 1, timeoutMs);
    } while (r < 0 && errno == EINTR);
    return r != 0;
}

size_t ChildProcess::Peek() const {
    int waiting = 0;
    if (outFd_ < 0 || ::ioctl(outFd_, FIONREAD, &waiting) != 0 || waiting < 0)
        return 0;
    return static_cast<size_t>(waiting);
}

bool ChildProcess::Write(const char* data, size_t size) {
    while (size > 0) {
        if (inFd_ < 0)
            return false;
        ssize_t n = ::write(inFd_, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

void ChildProcess::CloseInput() {
    CloseFd(inFd_);
}
void ChildProcess::CloseOutput() {
    CloseFd(outFd_);
}

void ChildProcess::Reap(bool block) {
    if (pid_ <= 0 || exitCode_)
        return;
    int status = 0;
    pid_t r;
    do {
        r = ::waitpid(pid_, &status, block ? 0 : WNOHANG);
    } while (r < 0 && errno == EINTR);
    if (r == pid_) {
        if (WIFEXITED(status))
            exitCode_ = WEXITSTATUS(status);
        else if (WIFSIGNALED(status))
            exitCode_ = 128 + WTERMSIG(status);
    } else if (r < 0) {
        exitCode_ = -1; // not our child any more; nothing to wait for
    }
}

bool ChildProcess::IsRunning() {
    Reap(false);
    return pid_ > 0 && !exitCode_;
}

std::optional<int> ChildProcess::ExitCode() {
    Reap(false);
    return exitCode_;
}

int ChildProcess::Wait() {
    Reap(true);
    return exitCode_.value_or(-1);
}

void ChildProcess::Terminate() {
    if (pid_ <= 0)
        return;
    // Also after the leader has ended: tools it started may still run.
    if (ownGroup_)
        ::kill(-pid_, SIGKILL);
    else if (!exitCode_)
        ::kill(pid_, SIGKILL);
    Reap(true);
}

} // namespace qv
