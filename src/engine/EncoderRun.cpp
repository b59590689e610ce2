#include "EncoderRun.h"

#include "EncoderOutput.h"
#include "OutputFile.h"
#include "Remux.h"
#include "ResultCheck.h"
#include "base/PathText.h"
#include "platform/ChildProcess.h"
#include "platform/ToolRun.h"
#include "services/Services.h"

#include <algorithm>
#include <chrono>
#include <sys/stat.h>
#include <unistd.h>

namespace qv {

namespace {

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

namespace {

// A failure's reason, logged with its details.
Status Failure(const std::string& why, const std::string& details = "") {
    Log("[ERROR] " + why + details);
    return Status::Fail(why);
}

// One job from start to end: each step returns a Status, the first failure
// ends the job with its reason. A step that a stop request ended fails too,
// and marks the job as stopped.
class JobRun {
public:
    explicit JobRun(JobBatch& batch)
        : batch_(batch), job_(batch.CurrentJob()), profile_(batch.Profile()), start_(ClockMs()) {}

    void Run() {
        LogF("开始转换文件: [%s], 标题 = %d, 音轨 = %d, 字幕 = %d, 长度 = %s",
             job_.sourcePath.c_str(), job_.titleNumber, job_.audioIndex, job_.subtitleIndex,
             FormatSeconds(JobLengthSeconds(job_)).c_str());
        LogF("输出配置: %s", FieldText(profile_.name).c_str());
        command_ = BuildEncoderCommand(job_, profile_, batch_.Settings(), batch_.OutputFolder(),
                                       batch_.ToolFolder());
        Finish(Convert());
    }

private:
    Status Convert() {
        // A span outside the source is refused before anything is written.
        if (Status span = CheckJobSpan(job_); !span)
            return Failure(span.Reason());
        // An audio profile needs sound to make anything of.
        sourceHasSound_ = SourceHasSound(job_);
        if (profile_.IsAudioOnly() && !sourceHasSound_.value_or(true))
            return Failure("the source has no sound to convert");
        StageReport preparing = Make(Stage::Preparing);
        preparing.percent = 1;
        batch_.Report(preparing);
        for (auto step : {&JobRun::ReserveNames, &JobRun::Encode, &JobRun::Remux, &JobRun::Check,
                          &JobRun::Publish})
            if (Status s = (this->*step)(); !s)
                return s;
        return {};
    }

    // The job's names are reserved before anything is written: the result is
    // written as NAME.partial, the remux formats' intermediate likewise.
    Status ReserveNames() {
        const Result<std::string> final = ReserveOutputName(job_.outputPath);
        if (!final)
            return Failure(final.Reason());
        final_ = *final;
        job_.outputPath = final_;
        result_ = final_ + kPartialSuffix;
        files_.AddWork(result_);
        remux_ = IsRemuxFormat(FieldText(profile_.outputFormat));
        written_ = result_;
        if (remux_) {
            const Result<std::string> intermediate = ReserveOutputName(command_.encoderOutputPath);
            if (!intermediate)
                return Failure(intermediate.Reason());
            written_ = *intermediate + kPartialSuffix;
            files_.AddWork(written_);
        }
        SetEncoderOutput(command_, profile_, batch_.ToolFolder(), written_);
        return {};
    }

    Status Encode() {
        Result<std::vector<std::string>> argv =
            EncoderArguments(command_, profile_, batch_.ToolFolder());
        if (!argv)
            return Failure(argv.Reason());
        const EngineSettings& settings = batch_.Settings();
        int positions = 0;
        std::string gaveUp;
        ToolRun run;
        run.argv = std::move(argv).Value();
        run.process.niceValue = NiceForPriorityClass(settings.ProcessPriority);
        run.stop = [this] { return batch_.StopRequested(); };
        run.wakeMs = kWakeMs;
        run.silenceLimitMs = static_cast<uint64_t>(std::max(0, settings.EncoderSilence)) * 1000;
        run.exitGraceMs = kToolExitGraceMs;
        run.output = [&](std::string_view piece) {
            const std::string chunk(piece);
            std::string rest;
            if (ChunkPosition(chunk, &rest)) {
                ++positions;
                if (positions == 1) {
                    StageReport converting = Make(Stage::Converting);
                    converting.output = FileNameOf(job_.outputPath);
                    batch_.Report(converting);
                }
                if (positions % 5 == 0)
                    ReportPosition(PositionSeconds(rest));
            }
            if (std::string why; ChunkGiveUp(chunk, &why)) {
                Log(ErrorRecord(chunk, command_));
                gaveUp = why.empty() ? "the encoder gave up" : "the encoder gave up: " + why;
                return false;
            }
            return true;
        };
        const ToolResult r = RunTool(run); // the encoder's whole group has ended
        switch (r.end) {
        case ToolEnd::StartFailed:
            // Without an encoder there is no job: say why.
            return Failure(r.error, "\n Command = " + command_.commandLine);
        case ToolEnd::Stopped: stopped_ = true; return Status::Fail("stopped");
        case ToolEnd::Silent:
            return Failure("the encoder printed nothing for " +
                           std::to_string(settings.EncoderSilence) + " s");
        case ToolEnd::SinkEnded: return Status::Fail(gaveUp);
        case ToolEnd::Hung: return Failure("the encoder closed its output but did not end");
        case ToolEnd::Exited:
            if (r.exitCode > 128)
                return Failure("the encoder was ended by signal " +
                               std::to_string(r.exitCode - 128));
            if (r.exitCode != 0)
                return Failure("the encoder ended with exit status " + std::to_string(r.exitCode));
        }
        if (!NonEmptyFile(written_))
            return Failure("the encoder wrote nothing", ": " + written_);
        return {};
    }

    Status Remux() {
        if (!remux_)
            return {};
        bool asked = false; // whether the stop test has said stop
        const Status s = RemuxToMp4(batch_.ToolFolder(), FieldText(profile_.outputFormat), written_,
                                    command_.frameRate, sourceHasSound_.value_or(true), result_,
                                    files_, [this, &asked] {
                                        asked = asked || batch_.StopRequested();
                                        return asked;
                                    });
        if (!s && asked) {
            stopped_ = true;
            return s;
        }
        if (!s)
            return Failure(s.Reason());
        // The MP4 holds it all now.
        files_.Forget(written_);
        ::unlink(written_.c_str());
        return {};
    }

    // Whatever the tools said, the result must hold what the job asked for.
    Status Check() {
        const uint64_t checkStart = ClockMs();
        const bool sendsChannels = command_.AFilter.find("channels=") != std::string::npos ||
                                   command_.ACodes.find(":mode=") != std::string::npos;
        const ResultNeeds needs =
            NeedsOfJob(job_, profile_, batch_.Settings(), !command_.ACodes.empty(), sendsChannels);
        const Status s = CheckResult(result_, needs);
        LogF("结果检查: %s, %llu ms", s ? "OK" : s.Reason().c_str(),
             static_cast<unsigned long long>(ClockMs() - checkStart));
        if (!s)
            return Failure(s.Reason(), " (" + result_ + ")");
        return {};
    }

    Status Publish() {
        const Result<std::string> published =
            PublishOutput(final_, OutputBasePath(job_, profile_, batch_.OutputFolder()));
        if (!published)
            return Failure(published.Reason());
        if (*published != final_)
            Log("the output name was taken meanwhile; the result is " + *published);
        job_.outputPath = *published;
        files_.Forget(result_);
        files_.RemoveScratch();
        return {};
    }

    void Finish(const Status& status) {
        const JobOutcome outcome = stopped_ ? OutcomeCancelled
                                   : status ? OutcomeSucceeded
                                            : OutcomeFailed;
        if (outcome != OutcomeSucceeded)
            files_.RemoveAll();
        if (outcome == OutcomeFailed) {
            StageReport failed = Make(Stage::Failed);
            failed.reason = status.Reason();
            batch_.Report(failed);
        }
        LogF("完成转换文件: [%s], 状态 = %s, 转换时间 = %s\n", job_.sourcePath.c_str(),
             OutcomeWord(outcome), FormatMs(ClockMs() - start_).c_str());
        StageReport done = Make(Stage::JobDone);
        done.outcome = outcome;
        if (outcome == OutcomeSucceeded) {
            done.percent = 99;
            done.output = job_.outputPath;
        }
        batch_.Report(done);
    }

    StageReport Make(Stage stage) const {
        StageReport r;
        r.stage = stage;
        r.source = JobSourceName(job_);
        return r;
    }

    void ReportPosition(float seconds) {
        StageReport r = Make(Stage::Progress);
        r.seconds = seconds;
        r.elapsedMs = static_cast<uint32_t>(ClockMs() - start_);
        const int length = JobLengthSeconds(job_);
        r.percent =
            length > 0 ? static_cast<int>(seconds / static_cast<float>(length) * 100.0f) : -1;
        batch_.Report(r);
    }

    JobBatch& batch_;
    CMediaRecord& job_;
    std::optional<bool> sourceHasSound_; // nothing: unknown
    const ProfileRecord& profile_;
    const uint64_t start_;
    EncoderCommand command_;
    JobFiles files_;
    std::string final_;   // the result's reserved name
    std::string result_;  // final_ + ".partial": where the result is made
    std::string written_; // what the encoder writes: the result or the intermediate
    bool remux_ = false;
    bool stopped_ = false; // a step was ended by a stop request
};

} // namespace

void RunJob(JobBatch& batch) {
    JobRun(batch).Run();
}

} // namespace qv
