#include "CliEstimate.h"

#include "engine/EncoderRun.h"

#include <cmath>

namespace qv {

std::string CliEstimateLine(const std::string& name, const JobEstimate& e) {
    const std::string time = e.encodeSeconds < 0
                                 ? std::string("?")
                                 : FormatSeconds(static_cast<int64_t>(std::ceil(e.encodeSeconds)));
    return name + '\t' + std::to_string(e.bytes) + '\t' + time + '\n';
}

bool PrintCliEstimates(const std::vector<CliEstimateJob>& jobs, const ProfileRecord& profile,
                       const EngineSettings& settings, const std::string& toolFolder,
                       const std::function<bool()>& stop,
                       const std::function<void(const std::string&)>& out,
                       const std::function<void(const std::string&)>& err) {
    bool all = true;
    for (const CliEstimateJob& j : jobs) {
        if (stop && stop())
            return false;
        EstimateRequest request;
        request.job = j.job;
        request.profile = profile;
        request.settings = settings;
        request.toolFolder = toolFolder;
        request.streams = j.streams;
        request.cancelled = stop;
        const Result<JobEstimate> e = EstimateJob(request);
        if (e) {
            out(CliEstimateLine(j.name, *e));
        } else {
            err("quorvane-cli: cannot estimate " + j.name + ": " + e.Reason() + "\n");
            all = false;
        }
    }
    return all;
}

} // namespace qv
