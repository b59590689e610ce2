#pragma once

// What a conversion batch tells those who show it. No display text travels:
// each presenter words a stage in its own user's language.

#include <cstdint>
#include <string>

namespace qv {

enum JobOutcome : int { OutcomeFailed = 0, OutcomeSucceeded = 1, OutcomeCancelled = 2 };

enum class Stage {
    Preparing,  // a job begins: its names are reserved, the encoder starts
    Converting, // the encoder has shown its first position
    Progress,   // a later position of the encoder
    Failed,     // the job failed; comes just before its JobDone
    JobDone,    // the job's end, exactly once per job that began
    BatchEnded, // the batch's end: the last stage of a batch
};

struct StageReport {
    Stage stage = Stage::Preparing;
    int job = 0;        // the 1-based number of the job (BatchEnded: of the last that ran)
    int jobs = 0;       // how many jobs the batch holds
    std::string source; // the job's source as the user knows it: a file's name, a DVD title's
    // Converting: the result's file name; JobDone after a success: the result's path.
    std::string output;
    float seconds = 0; // Progress: the encoder's position within the job's span
    // The job's progress: 1 at Preparing; at Progress the share of the span
    // (-1 when the span's length is unknown); 99 at JobDone after a success.
    int percent = 0;
    uint32_t elapsedMs = 0; // Progress: since the job began
    // JobDone: the job's. BatchEnded: Succeeded when every job did, Cancelled
    // when a stop ended it, else Failed.
    JobOutcome outcome = OutcomeSucceeded;
    std::string reason; // Failed: why, in one line
};

} // namespace qv
