#pragma once

// quorvane-cli --estimate: each job's expected size and encode time, printed
// instead of converting; nothing is written.

#include "engine/Estimate.h"

#include <functional>
#include <string>
#include <vector>

namespace qv {

struct CliEstimateJob {
    CMediaRecord job;
    SourceStreams streams;
    std::string name; // as the user gave the source
};

// One line a job on out: "NAME<TAB>BYTES<TAB>hh:mm:ss" (the time "?" when it
// could not be measured); a job that cannot be estimated is said on err.
// stop is asked while a sample runs. True when every job was estimated.
bool PrintCliEstimates(const std::vector<CliEstimateJob>& jobs, const ProfileRecord& profile,
                       const EngineSettings& settings, const std::string& toolFolder,
                       const std::function<bool()>& stop,
                       const std::function<void(const std::string&)>& out,
                       const std::function<void(const std::string&)>& err);

// The line of one estimate.
std::string CliEstimateLine(const std::string& name, const JobEstimate& estimate);

} // namespace qv
