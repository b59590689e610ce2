#include "EncoderRun.h"

#include "Remux.h"
#include "platform/ChildProcess.h"
#include "platform/CommandLine.h"
#include "services/Services.h"

#include <chrono>
#include <cstdlib>
#include <sys/stat.h>
#include <thread>

namespace qv {

namespace {

const char kGiveUp[] = "退出..";

// After its output has ended, an encoder gets this long to exit before it
// is ended by force.
constexpr int kExitGraceMs = 10000;

std::string FileNameOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The position in a chunk: the number before the first "s" after the first
// "Pos:". False when the chunk holds no usable position.
bool ChunkPosition(const std::string& chunk, std::string* rest) {
    size_t pos = chunk.find("Pos:");
    if (pos == std::string::npos)
        return false;
    *rest = chunk.substr(pos + 4);
    return !rest->empty() && rest->find('s') != std::string::npos;
}

float PositionSeconds(const std::string& rest) {
    std::string number = rest.substr(0, rest.find('s'));
    size_t first = number.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return 0;
    return std::strtof(number.c_str() + first, nullptr);
}

// The encoder's reason after its give-up marker: the rest of that line.
std::string GiveUpReason(const std::string& rest) {
    size_t first = rest.find_first_not_of(" \t");
    if (first == std::string::npos)
        return "the encoder gave up";
    return rest.substr(first, rest.find_first_of("\r\n", first) - first);
}

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
    const uint64_t start = ClockMs();
    CMediaRecord& job = batch.CurrentJob();
    const ProfileRecord& profile = batch.Profile();

    LogF("开始转换文件: [%s], 标题 = %d, 音轨 = %d, 字幕 = %d, 长度 = %s", job.sourcePath.c_str(),
         job.titleNumber, job.audioIndex, job.subtitleIndex,
         FormatSeconds(JobLengthSeconds(job)).c_str());
    LogF("输出配置: %s", FieldText(profile.name).c_str());

    EncoderCommand command = BuildEncoderCommand(job, profile, batch.Settings(),
                                                 batch.OutputFolder(), batch.ToolFolder());
    auto finish = [&](JobOutcome result) {
        LogF("完成转换文件: [%s], 状态 = %s, 转换时间 = %s\n", job.sourcePath.c_str(),
             OutcomeWord(result), FormatMs(ClockMs() - start).c_str());
        batch.PostOutcome(result);
    };
    // A span outside the source is refused before anything is written.
    if (std::string fault = JobSpanFault(job); !fault.empty()) {
        Log("[ERROR] " + fault);
        batch.ReportError(fault);
        finish(OutcomeFailed);
        return;
    }

    batch.ReportStatus(kStatusPreparing);
    batch.SetFileProgress(1);

    ChildProcess encoder;
    ChildProcess::Options options;
    options.niceValue = NiceForPriorityClass(batch.Settings().ProcessPriority);
    std::string error;
    if (!encoder.Start(SplitCommandLine(command.commandLine), options, &error)) {
        // Without an encoder there is no job: say why and let the batch go on.
        Log("[ERROR] " + error + "\n Command = " + command.commandLine);
        finish(OutcomeFailed);
        return;
    }
    encoder.CloseInput(); // nothing is ever written to the encoder

    int positions = 0;
    bool ended = false; // the output ended on its own
    char buffer[1024];
    for (;;) {
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
        if (size_t at = chunk.find(kGiveUp); at != std::string::npos) {
            Log(ErrorRecord(chunk, command));
            batch.ReportError(GiveUpReason(chunk.substr(at + sizeof kGiveUp - 1)));
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
        for (int waited = 0; encoder.IsRunning() && waited < kExitGraceMs; waited += 20)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (encoder.IsRunning()) {
            Log("[ERROR] the encoder closed its output but did not end");
            outcome = OutcomeFailed;
        } else if (int code = encoder.ExitCode().value_or(-1); code != 0) {
            Log(code > 128 ? "[ERROR] the encoder was ended by signal " + std::to_string(code - 128)
                           : "[ERROR] the encoder ended with exit status " + std::to_string(code));
            outcome = OutcomeFailed;
        }
    }
    encoder.Terminate(); // the whole group: nothing it started outlives the job
    encoder.CloseOutput();

    if (outcome == OutcomeSucceeded)
        batch.SetFileProgress(99);

    const std::string format = FieldText(profile.outputFormat);
    if (IsRemuxFormat(format)) {
        std::string folder = batch.OutputFolder();
        if (!folder.empty() && folder.back() != '/')
            folder += '/';
        RemuxToMp4(batch.ToolFolder(), format, command.encoderOutputPath, command.frameRate,
                   folder + job.baseName);
    }
    if (outcome == OutcomeSucceeded && !NonEmptyFile(job.outputPath)) {
        Log("[ERROR] the output file is missing or empty: " + job.outputPath);
        outcome = OutcomeFailed;
    }
    finish(outcome);
}

} // namespace qv
