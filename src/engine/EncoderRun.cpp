#include "EncoderRun.h"

#include "EncoderOutput.h"
#include "OutputFile.h"
#include "Remux.h"
#include "ResultCheck.h"
#include "base/PathText.h"
#include "platform/ChildProcess.h"
#include "platform/CommandLine.h"
#include "services/Services.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace qv {

namespace {

// After its output has ended, an encoder gets this long to exit before it
// is ended by force.
constexpr int kExitGraceMs = 10000;
// How often a waiting worker wakes to look at a stop request.
constexpr int kWakeMs = 200;

bool NonEmptyFile(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0;
}

} // namespace

const char* OutcomeWord(JobOutcome outcome) {
    switch (outcome) {
    case OutcomeFailed: return "失败!";
    case OutcomeSucceeded: return "成功!";
    default: return "已取消!";
    }
}

uint64_t ClockMs() {
    using namespace std::chrono;
    return static_cast<uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

std::string FailureMessage(const std::string& message, const std::string& source,
                           const std::string& reason) {
    if (reason.empty())
        return source.empty() ? message : message + "\n\n" + source;
    return message + "\n\n" + (source.empty() ? reason : source + ": " + reason);
}

std::string JobSourceName(const CMediaRecord& job) {
    return job.kind == KindDvdTitle ? job.baseName : FileNameOf(job.sourcePath);
}

std::string FormatSeconds(int64_t seconds) {
    if (seconds < 0)
        seconds = 0;
    char text[48];
    std::snprintf(text, sizeof text, "%.2lld:%.2lld:%.2lld", static_cast<long long>(seconds / 3600),
                  static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
    return text;
}

std::string FormatMs(uint64_t ms) {
    char text[64];
    std::snprintf(text, sizeof text, "%s.%.3u",
                  FormatSeconds(static_cast<int64_t>(ms / 1000)).c_str(),
                  static_cast<unsigned>(ms % 1000));
    return text;
}

std::string ErrorRecord(const std::string& chunk, const EncoderCommand& c) {
    return "[ERROR] " + chunk + " \n Source = " + c.Source + "\n ACodes = " + c.ACodes +
           "\n VCodes = " + c.VCodes + "\n AFilter = " + c.AFilter + "\n VFilter = " + c.VFilter +
           "\n MuxOf = " + c.MuxOf + "\n ExParam = " + c.ExParam;
}

void RunJob(JobBatch& batch) {
    JobOutcome outcome = OutcomeSucceeded;
    std::string reason; // the first failure's, in one line
    const uint64_t start = ClockMs();
    CMediaRecord& job = batch.CurrentJob();
    const ProfileRecord& profile = batch.Profile();

    LogF("开始转换文件: [%s], 标题 = %d, 音轨 = %d, 字幕 = %d, 长度 = %s", job.sourcePath.c_str(),
         job.titleNumber, job.audioIndex, job.subtitleIndex,
         FormatSeconds(JobLengthSeconds(job)).c_str());
    LogF("输出配置: %s", FieldText(profile.name).c_str());

    EncoderCommand command = BuildEncoderCommand(job, profile, batch.Settings(),
                                                 batch.OutputFolder(), batch.ToolFolder());
    JobFiles files;
    auto fail = [&](const std::string& why, const std::string& details = "") {
        Log("[ERROR] " + why + details);
        if (outcome != OutcomeFailed)
            reason = why;
        outcome = OutcomeFailed;
    };
    auto finish = [&] {
        if (outcome == OutcomeCancelled)
            files.RemoveAll();
        else if (outcome == OutcomeFailed)
            files.RemoveAfterFailure();
        if (outcome == OutcomeFailed)
            batch.ReportFailure(reason);
        LogF("完成转换文件: [%s], 状态 = %s, 转换时间 = %s\n", job.sourcePath.c_str(),
             OutcomeWord(outcome), FormatMs(ClockMs() - start).c_str());
        batch.PostOutcome(outcome);
    };
    // A span outside the source is refused before anything is written.
    if (std::string fault = JobSpanFault(job); !fault.empty()) {
        fail(fault);
        return finish();
    }

    batch.ReportStatus(kStatusPreparing);
    batch.SetFileProgress(1);

    // The job's names are reserved before anything is written: the result
    // is written as NAME.partial, the remux formats' intermediate likewise.
    std::string error;
    const std::string final = ReserveOutputName(job.outputPath, &error);
    if (final.empty()) {
        fail(error);
        return finish();
    }
    job.outputPath = final;
    const std::string result = final + kPartialSuffix;
    files.AddWork(result);
    const bool remux = IsRemuxFormat(FieldText(profile.outputFormat));
    std::string written = result; // what the encoder writes
    if (remux) {
        const std::string intermediate = ReserveOutputName(command.encoderOutputPath, &error);
        if (intermediate.empty()) {
            fail(error);
            return finish();
        }
        written = intermediate + kPartialSuffix;
        files.AddWork(written);
    }
    SetEncoderOutput(command, profile, batch.ToolFolder(), written);

    std::vector<std::string> argv;
    if (!EncoderArguments(command, profile, batch.ToolFolder(), &argv, &error)) {
        fail(error);
        return finish();
    }
    ChildProcess encoder;
    ChildProcess::Options options;
    options.niceValue = NiceForPriorityClass(batch.Settings().ProcessPriority);
    if (!encoder.Start(argv, options, &error)) {
        // Without an encoder there is no job: say why and let the batch go on.
        fail(error, "\n Command = " + command.commandLine);
        return finish();
    }
    encoder.CloseInput(); // nothing is ever written to the encoder

    int positions = 0;
    bool ended = false; // the output ended on its own
    char buffer[1024];
    const uint64_t silenceMs =
        static_cast<uint64_t>(std::max(0, batch.Settings().EncoderSilence)) * 1000;
    uint64_t lastOutput = ClockMs();
    for (;;) {
        // Waiting with a time limit: a stop is seen even while the encoder
        // is silent, and one silent for too long is given up on.
        if (!encoder.WaitForOutput(kWakeMs)) {
            if (batch.StopRequested()) {
                outcome = OutcomeCancelled;
                break;
            }
            if (silenceMs > 0 && ClockMs() - lastOutput >= silenceMs) {
                fail("the encoder printed nothing for " +
                     std::to_string(batch.Settings().EncoderSilence) + " s");
                break;
            }
            continue;
        }
        lastOutput = ClockMs();
        long n = encoder.Read(buffer, sizeof buffer);
        if (n <= 0) {
            ended = true;
            break;
        }
        const std::string chunk(buffer, static_cast<size_t>(n));
        std::string rest;
        if (ChunkPosition(chunk, &rest)) {
            ++positions;
            if (positions == 1)
                batch.ReportStatus(kStatusConverting + FileNameOf(job.outputPath));
            if (positions % 5 == 0)
                batch.ReportProgress(PositionSeconds(rest),
                                     static_cast<uint32_t>(ClockMs() - start));
        }
        if (std::string why; ChunkGiveUp(chunk, &why)) {
            Log(ErrorRecord(chunk, command));
            reason = why.empty() ? "the encoder gave up" : "the encoder gave up: " + why;
            outcome = OutcomeFailed;
            break;
        }
        if (batch.StopRequested()) {
            outcome = OutcomeCancelled;
            break;
        }
    }

    if (ended) {
        // The output has ended: the encoder's own exit tells whether it did
        // its work. One that keeps running without output is ended by force.
        for (int waited = 0; encoder.IsRunning() && waited < kExitGraceMs && !batch.StopRequested();
             waited += 20)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (encoder.IsRunning() && batch.StopRequested())
            outcome = OutcomeCancelled;
        else if (encoder.IsRunning())
            fail("the encoder closed its output but did not end");
        else if (int code = encoder.ExitCode().value_or(-1); code != 0)
            fail(code > 128 ? "the encoder was ended by signal " + std::to_string(code - 128)
                            : "the encoder ended with exit status " + std::to_string(code));
    }
    encoder.Terminate(); // the whole group: nothing it started outlives the job
    encoder.CloseOutput();

    if (outcome == OutcomeSucceeded && !NonEmptyFile(written)) {
        // An encoder that claims success for nothing: its file stays, under
        // its ".partial" name, as the trace of the failed job.
        files.Forget(written);
        fail("the encoder wrote nothing", ": " + written);
    }
    if (outcome == OutcomeSucceeded && remux) {
        StepResult r = RemuxToMp4(
            batch.ToolFolder(), FieldText(profile.outputFormat), written, command.frameRate, result,
            files, [&batch] { return batch.StopRequested(); }, &error);
        if (r == StepResult::Stopped)
            outcome = OutcomeCancelled;
        else if (r == StepResult::Failed)
            fail(error);
        else {
            // The MP4 holds it all now.
            files.Forget(written);
            ::unlink(written.c_str());
        }
    }
    if (outcome == OutcomeSucceeded) {
        // Whatever the tools said, the result must hold what the job asked for.
        const uint64_t checkStart = ClockMs();
        const bool sendsChannels = command.AFilter.find("channels=") != std::string::npos ||
                                   command.ACodes.find(":mode=") != std::string::npos;
        const ResultNeeds needs =
            NeedsOfJob(job, profile, batch.Settings(), !command.ACodes.empty(), sendsChannels);
        const std::string why = CheckResult(result, needs);
        LogF("结果检查: %s, %llu ms", why.empty() ? "OK" : why.c_str(),
             static_cast<unsigned long long>(ClockMs() - checkStart));
        if (!why.empty()) {
            files.Forget(result); // kept for a look, whatever it holds
            fail(why, " (" + result + ")");
        }
    }
    if (outcome == OutcomeSucceeded) {
        const std::string published =
            PublishOutput(final, OutputBasePath(job, profile, batch.OutputFolder()), &error);
        if (published.empty()) {
            fail(error);
        } else {
            if (published != final)
                Log("the output name was taken meanwhile; the result is " + published);
            job.outputPath = published;
            files.Forget(result);
            files.RemoveScratch();
            batch.SetFileProgress(99);
        }
    }
    finish();
}

} // namespace qv
