// Nothing the program starts outlives it, however the program ends.
#include "platform/ChildProcess.h"

#include "support/Paths.h"
#include "support/Process.h"
#include "support/TempDir.h"
#include "support/Tool.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A forked stand-in for the program: it starts argv as a tool and waits.
// Kill() ends it the hard way.
struct ProgramStandIn {
    pid_t program = -1;
    pid_t tool = -1;
    explicit ProgramStandIn(const std::vector<std::string>& argv, bool pipeInput = true) {
        program = StartProgramWithTool(argv, pipeInput, &tool);
    }
    ~ProgramStandIn() { Kill(); }
    void Kill() {
        if (program <= 0)
            return;
        ::kill(program, SIGKILL);
        int status;
        ::waitpid(program, &status, 0);
        program = -1;
    }
    static pid_t StartProgramWithTool(const std::vector<std::string>& argv, bool pipeInput,
                                      pid_t* tool);
};

pid_t ProgramStandIn::StartProgramWithTool(const std::vector<std::string>& argv, bool pipeInput,
                                           pid_t* tool) {
    int ready[2];
    if (::pipe(ready) != 0)
        return -1;
    pid_t program = ::fork();
    if (program == 0) {
        // Its output is not the test's.
        int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDOUT_FILENO);
        ::dup2(null, STDERR_FILENO);
        ::close(ready[0]);
        qv::ChildProcess child;
        qv::ChildProcess::Options o;
        o.pipeInput = pipeInput;
        pid_t pid = child.Start(argv, o, nullptr) ? child.Pid() : -1;
        ssize_t ignored = ::write(ready[1], &pid, sizeof pid);
        (void)ignored;
        for (;;)
            ::pause();
    }
    ::close(ready[1]);
    *tool = -1;
    if (::read(ready[0], tool, sizeof *tool) != static_cast<ssize_t>(sizeof *tool))
        *tool = -1;
    ::close(ready[0]);
    return program;
}

} // namespace

TEST(Orphans, TheEncoderAndFfmpegEndWhenTheProgramIsKilled) {
    qvtest::TempDir dir;
    // A source that never delivers a byte keeps FFmpeg busy for as long as
    // the write end is held open.
    const std::string fifo = dir / "source.avi";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    int keep = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);
    ASSERT_GE(keep, 0);
    ProgramStandIn program({qvtest::ProgramDir() + "codecs/quenzo", "-ovc", "lavc", "-lavcopts",
                            "vcodec=mpeg4", "-oac", "pcm", fifo, "-o", dir / "out.avi"});
    const pid_t quenzo = program.tool;
    ASSERT_GT(quenzo, 0);
    pid_t ffmpeg = qvtest::WaitForChild(quenzo);
    ASSERT_GT(ffmpeg, 0);
    program.Kill();
    EXPECT_TRUE(qvtest::ProcessGone(quenzo));
    EXPECT_TRUE(qvtest::ProcessGone(ffmpeg));
    ::close(keep);
}

TEST(Orphans, ThePlayerEndsWhenTheProgramIsKilled) {
    // Without a pipe to see the end of, the player relies on its death signal.
    ProgramStandIn program(
        {qvtest::ProgramDir() + "codecs/vistrel", "-slave", "-idle", "-vo", "null", "-ao", "null"},
        false);
    const pid_t vistrel = program.tool;
    ASSERT_GT(vistrel, 0);
    pid_t mplayer = qvtest::WaitForChild(vistrel);
    ASSERT_GT(mplayer, 0);
    program.Kill();
    EXPECT_TRUE(qvtest::ProcessGone(vistrel));
    EXPECT_TRUE(qvtest::ProcessGone(mplayer));
}

TEST(Vistrel, PlaysToTheEndWhenItsInputIsNotAPipe) {
    // Its input is /dev/null, as the DVD scan's player run has it.
    const qvtest::ToolRun r =
        qvtest::RunTool({qvtest::ProgramDir() + "codecs/vistrel", "-vo", "null", "-ao", "null",
                         qvtest::MediaDir() + "av.mp4"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.output.find("Exiting... (End of file)"), std::string::npos) << r.output;
}
