#pragma once

#include "BatchStage.h"
#include "EncoderCommand.h"

#include <cstdint>
#include <string>

namespace qv {

// The status word of an outcome in the log.
const char* OutcomeWord(JobOutcome outcome);

// Milliseconds of a monotonic clock.
uint64_t ClockMs();

// What a conversion worker needs of its batch: the batch runner is one, the
// tests have others.
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
    // The job's stages as they happen, on the worker's thread: Preparing,
    // Converting, Progress, Failed (for a failure only) and, last and exactly
    // once, JobDone. A span refused before anything is written skips
    // Preparing. job and jobs are the batch's to fill in. Returns at once.
    virtual void Report(const StageReport& report) = 0;
};

// Converts the batch's current job: runs the encoder, follows its output,
// runs the MP4 remux step where the profile needs it, checks and publishes
// the result, logs, and reports each stage. Meant to be the body of a
// worker thread.
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
