#include "ChildProcess.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

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

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attr);

    if (options.pipeInput)
        posix_spawn_file_actions_adddup2(&actions, inPipe[0], STDIN_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO);
    if (options.mergeErrors)
        posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDERR_FILENO);
    else if (errPipe[1] >= 0)
        posix_spawn_file_actions_adddup2(&actions, errPipe[1], STDERR_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    if (!options.workDir.empty())
        posix_spawn_file_actions_addchdir_np(&actions, options.workDir.c_str());

    // Own process group; default signal handling and an empty mask in the child.
    sigset_t defaults, empty;
    sigemptyset(&empty);
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGTERM);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setsigmask(&attr, &empty);
    short flags = POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK;
    if (options.ownGroup) {
        posix_spawnattr_setpgroup(&attr, 0);
        flags |= POSIX_SPAWN_SETPGROUP;
    }
    posix_spawnattr_setflags(&attr, flags);

    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    pid_t pid = -1;
    int rc = ::posix_spawnp(&pid, args[0], &actions, &attr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    CloseFd(inPipe[0]);
    CloseFd(outPipe[1]);
    CloseFd(errPipe[1]);
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
