#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

namespace qv {

// Nice value for a Windows priority class number as the settings store it:
// 32 normal 0, 64 idle 19, 16384 below normal 10, 32768 above normal -5,
// 128 high -10, 256 real time -15; anything else 0.
int NiceForPriorityClass(int priorityClass);

// A child process with its standard input and its merged standard output and
// error on pipes. The child leads a process group of its own, so Terminate()
// ends the tool and everything it started; it is also killed when the thread
// that started it ends (Options::dieWithParent).
class ChildProcess {
public:
    struct Options {
        std::string workDir;     // empty: the caller's current folder
        int niceValue = 0;       // a refused raise leaves the child at 0
        bool pipeInput = true;   // false: stdin is /dev/null
        bool mergeErrors = true; // false: stderr goes to /dev/null, or to its own pipe:
        bool errorPipe = false;  // with mergeErrors false, stderr is read by ReadErrors()
        bool ownGroup = true;    // false: the child stays in the caller's process group
        // The child is killed when the thread that started it ends, so
        // nothing outlives the program however it ends. Such a child must be
        // started by a thread that lives at least as long as the child.
        bool dieWithParent = true;
    };

    ChildProcess() = default;
    ~ChildProcess(); // terminates a running child and reaps it
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts argv[0] (looked up in PATH when it has no "/"). On failure returns
    // false and puts the reason into *error.
    bool Start(const std::vector<std::string>& argv, const Options& options, std::string* error);

    // Blocking read of at most max bytes. Returns the count, 0 at the end of
    // the output, -1 on an error.
    long Read(char* buffer, size_t max);
    // Blocking read of the error pipe (Options::errorPipe), as Read.
    long ReadErrors(char* buffer, size_t max);
    // Waits at most timeoutMs for output (or its end) to be ready to read;
    // true when a Read would not block.
    bool WaitForOutput(int timeoutMs) const;
    // Bytes waiting in the output pipe, without blocking.
    size_t Peek() const;
    // Writes all bytes to the child's input; false when the child has gone.
    bool Write(const char* data, size_t size);
    void CloseInput();
    void CloseOutput();

    bool IsRunning();
    // The exit code once the child has ended (128 + signal number when a
    // signal ended it); empty while it runs or before Start.
    std::optional<int> ExitCode();
    // Waits for the end of the child and returns its exit code.
    int Wait();
    // Kills the child's process group (the child alone when it has none of
    // its own) and reaps the child.
    void Terminate();

    pid_t Pid() const { return pid_; }
    bool Started() const { return pid_ > 0; }

private:
    void Reap(bool block);

    pid_t pid_ = -1;
    int inFd_ = -1;
    int outFd_ = -1;
    int errFd_ = -1;
    bool ownGroup_ = true;
    std::optional<int> exitCode_;
};

} // namespace qv
