#pragma once

// A batch of one job for running RunJob without a window: it holds the job,
// the profile and the settings, and keeps the outcome.

#include "Paths.h"
#include "engine/EncoderRun.h"

#include <string>

namespace qvtest {

class QuietBatch : public qv::JobBatch {
public:
    QuietBatch(const qv::ProfileRecord& p, qv::EngineSettings s, std::string folder,
               std::string tools = ProgramDir())
        : profile(p), settings(s), folder_(std::move(folder)), tools_(std::move(tools)) {}

    qv::CMediaRecord& CurrentJob() override { return job; }
    const qv::ProfileRecord& Profile() const override { return profile; }
    const qv::EngineSettings& Settings() const override { return settings; }
    std::string OutputFolder() const override { return folder_; }
    std::string ToolFolder() const override { return tools_; }
    bool StopRequested() const override { return false; }
    void ReportStatus(const std::string&) override {}
    void ReportProgress(float, uint32_t) override {}
    void SetFileProgress(int) override {}
    void PostOutcome(qv::JobOutcome o) override { outcome = o; }

    qv::CMediaRecord job;
    qv::ProfileRecord profile;
    qv::EngineSettings settings;
    qv::JobOutcome outcome = qv::OutcomeFailed;

private:
    std::string folder_;
    std::string tools_;
};

} // namespace qvtest
