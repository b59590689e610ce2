#pragma once

// A batch of one job for running RunJob without a window: it holds the job,
// the profile and the settings, and keeps the outcome.

#include "Paths.h"
#include "engine/EncoderRun.h"
#include "probe/ResultReader.h"

#include <string>

namespace qvtest {

// An XviD + MP3 AVI profile of the given frame size and video bit rate.
inline qv::ProfileRecord XvidAviProfile(int width, int height, int videoKbps, int audioKbps) {
    qv::ProfileRecord p{};
    qv::SetFieldText(p.name, "AVI - XviD Video");
    qv::SetFieldText(p.kind, "video");
    qv::SetFieldText(p.outputFormat, "avi");
    qv::SetFieldText(p.videoCodecs[0].name, "xvid");
    qv::SetFieldText(p.videoCodecs[0].family, "xvid");
    qv::SetFieldText(p.audioCodecs[0].name, "mp3");
    qv::SetFieldText(p.audioCodecs[0].family, "mp3lame");
    qv::SetFieldText(p.videoCodec, "xvid");
    qv::SetFieldText(p.audioCodec, "mp3");
    p.videoCodecCount = p.audioCodecCount = 1;
    p.width = width;
    p.height = height;
    qv::SetFieldText(p.frameRate, "Auto");
    p.videoBitRate = videoKbps;
    p.audioBitRate = audioKbps;
    p.sampleRate = 44100;
    p.channels = 2;
    return p;
}

class QuietBatch : public qv::JobBatch {
public:
    QuietBatch(const qv::ProfileRecord& p, qv::EngineSettings s, std::string folder,
               std::string tools = ProgramDir())
        : profile(p), settings(s), folder_(std::move(folder)), tools_(std::move(tools)) {
        qv::UseMediaProbeForResults();
    }

    qv::CMediaRecord& CurrentJob() override { return job; }
    const qv::ProfileRecord& Profile() const override { return profile; }
    const qv::EngineSettings& Settings() const override { return settings; }
    std::string OutputFolder() const override { return folder_; }
    std::string ToolFolder() const override { return tools_; }
    bool StopRequested() const override { return false; }
    void Report(const qv::StageReport& r) override {
        if (r.stage == qv::Stage::Failed)
            failure = r.reason;
        if (r.stage == qv::Stage::JobDone)
            outcome = r.outcome;
    }

    void SetTools(std::string tools) { tools_ = std::move(tools); }

    qv::CMediaRecord job;
    qv::ProfileRecord profile;
    qv::EngineSettings settings;
    qv::JobOutcome outcome = qv::OutcomeFailed;
    std::string failure;

private:
    std::string folder_;
    std::string tools_;
};

} // namespace qvtest
