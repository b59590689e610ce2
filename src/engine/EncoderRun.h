#pragma once

#include "EncoderCommand.h"

#include <cstdint>
#include <string>

namespace qv {

enum JobOutcome : int { OutcomeFailed = 0, OutcomeSucceeded = 1, OutcomeCancelled = 2 };

// The status word of an outcome in the log.
const char* OutcomeWord(JobOutcome outcome);

// The status texts a job reports, as the log keeps them; a window or a
// terminal shows them in its own language. The second is followed by the
// output's file name.
inline constexpr char kStatusPreparing[] = "准备转换. 这将需要几分钟时间, 请耐心等待.";
inline constexpr char kStatusConverting[] = "正在转换文件: ";

// Milliseconds of a monotonic clock.
uint64_t ClockMs();

// What a conversion worker needs of its batch. The progress window is one;
// the command-line runner and the tests are others.
class JobBatch {
public:
    virtual ~JobBatch() = default;
    virtual CMediaRecord& CurrentJob() = 0;
    virtual const ProfileRecord& Profile() const = 0;
    virtual const EngineSettings& Settings() const = 0;
    virtual std::string OutputFolder() const = 0;
    virtual std::string ToolFolder() const = 0; // the program folder, ending with "/"
    // Read by the worker after every piece of encoder output and at least
    // five times a second while the encoder is silent.
    virtual bool StopRequested() const = 0;
    // Called on the worker thread; they return once the batch has taken them.
    virtual void ReportStatus(const std::string& text) = 0;
    virtual void ReportProgress(float seconds, uint32_t elapsedMs) = 0;
    virtual void SetFileProgress(int percent) = 0;
    // A failed job's reason in one line, for the failure message; called just
    // before its outcome is posted.
    virtual void ReportFailure(const std::string& reason) { (void)reason; }
    // The job's end; posted exactly once per run.
    virtual void PostOutcome(JobOutcome outcome) = 0;
};

// Converts the batch's current job: runs the encoder, follows its output,
// runs the MP4 remux step where the profile needs it, logs, and posts the
// outcome. Meant to be the body of a worker thread.
void RunJob(JobBatch& batch);

// The entry of the log for an encoder that gave up: its output chunk and the
// command-line fragments.
std::string ErrorRecord(const std::string& chunk, const EncoderCommand& command);

// The failure message with the failed source's name and the job's reason on
// a line of their own.
std::string FailureMessage(const std::string& message, const std::string& source,
                           const std::string& reason);

// The name a user knows a job's source by: a file's name, a DVD title's name.
std::string JobSourceName(const CMediaRecord& job);

// "hh:mm:ss" of whole seconds (hours may pass 99) and "hh:mm:ss.mmm".
std::string FormatSeconds(int64_t seconds);
std::string FormatMs(uint64_t ms);

} // namespace qv
