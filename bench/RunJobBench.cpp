// What RunJob costs over running the same encoder command by hand: a 60 s
// 640x480 clip to XviD + MP3 in AVI, alternating the two, five runs each,
// and the ratio of the medians.
//   cmake --build build --target bench_runjob && build/bench/bench_runjob
#include "base/ProgramFolder.h"
#include "engine/EncoderRun.h"
#include "platform/ChildProcess.h"
#include "platform/CommandLine.h"
#include "support/QuietBatch.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

using namespace qv;

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 5;
    char tmpl[] = "/tmp/qvbench.XXXXXX";
    const std::string dir = ::mkdtemp(tmpl);
    const std::string clip = dir + "/clip.mp4";
    std::string make = "ffmpeg -nostdin -loglevel error -f lavfi -i testsrc2=size=640x480:rate=25 "
                       "-f lavfi -i sine=frequency=440:sample_rate=48000 -t 60 -c:v libx264 "
                       "-preset veryfast -pix_fmt yuv420p -c:a aac -ac 2 '" +
                       clip + "'";
    if (std::system(make.c_str()) != 0)
        return 1;

    const ProfileRecord p = qvtest::XvidAviProfile(640, 480, 1000, 128);

    CMediaRecord job;
    job.sourcePath = clip;
    job.baseName = "out";
    job.fullLength = job.trimEnd = "00:01:00";
    job.trimStart = "00:00:00";
    job.width = 640;
    job.height = 480;
    job.frameRate = "25";

    std::vector<double> viaRunJob, byHand;
    for (int i = 0; i < runs; ++i) {
        qvtest::QuietBatch batch(p, EngineSettings{}, dir, ProgramFolder() + "../");
        batch.job = job;
        auto t0 = std::chrono::steady_clock::now();
        RunJob(batch);
        viaRunJob.push_back(Seconds(t0));
        if (batch.outcome != OutcomeSucceeded)
            return 1;
        ::unlink(batch.job.outputPath.c_str());

        // The same command line, started and read to its end by hand.
        CMediaRecord copy = job;
        EncoderCommand c = BuildEncoderCommand(copy, p, EngineSettings{}, dir, batch.ToolFolder());
        auto t1 = std::chrono::steady_clock::now();
        ChildProcess q;
        ChildProcess::Options o;
        o.pipeInput = false;
        q.Start(SplitCommandLine(c.commandLine), o, nullptr);
        char buffer[1024];
        while (q.Read(buffer, sizeof buffer) > 0) {
        }
        q.Wait();
        byHand.push_back(Seconds(t1));
        ::unlink(copy.outputPath.c_str());
    }
    double a = Median(viaRunJob), b = Median(byHand);
    std::printf("XviD + MP3 in AVI, 60 s 640x480, %d runs each: RunJob %.2f s, by hand %.2f s, "
                "ratio %.3f\n",
                runs, a, b, a / b);
    if (std::system(("rm -rf '" + dir + "'").c_str()) != 0)
        std::fprintf(stderr, "could not remove %s\n", dir.c_str());
    return 0;
}
