#include "CliPresenter.h"

#include <algorithm>

namespace qv {

CliPresenter::CliPresenter(std::vector<CliJob> jobs, bool terminal, bool chinese, Sink out,
                           Sink err)
    : jobs_(std::move(jobs)), terminal_(terminal), chinese_(chinese), out_(std::move(out)),
      err_(std::move(err)) {}

const CliJob& CliPresenter::Job(int number) const {
    static const CliJob none;
    return number >= 1 && number <= static_cast<int>(jobs_.size())
               ? jobs_[static_cast<size_t>(number - 1)]
               : none;
}

void CliPresenter::OnStage(const StageReport& report) {
    if (report.stage != Stage::BatchEnded && report.job != job_) {
        job_ = report.job;
        shown_ = 0;
        tenth_ = -1;
        failure_.clear();
    }
    const CliJob& job = Job(report.job);
    switch (report.stage) {
    case Stage::Preparing:
        if (!terminal_)
            err_(std::string(Say("Preparing the conversion. This may take a few minutes.",
                                 "准备转换. 这将需要几分钟时间, 请耐心等待.")) +
                 "\n");
        Show(report.percent);
        break;
    case Stage::Converting:
        if (!terminal_)
            err_(Say("Converting: ", "正在转换文件: ") + report.output + "\n");
        break;
    case Stage::Progress: Show(std::max(report.percent, 0)); break;
    case Stage::Failed: failure_ = report.reason; break;
    case Stage::JobDone:
        if (report.outcome == OutcomeSucceeded) {
            Show(report.percent);
            Show(100);
        }
        if (terminal_)
            err_("\n");
        if (report.outcome == OutcomeSucceeded)
            out_(report.output + "\n");
        else if (report.outcome == OutcomeCancelled)
            err_(Say("quorvane-cli: stopped: ", "quorvane-cli: 已停止: ") + job.file + "\n");
        else if (failure_.empty())
            err_(Say("quorvane-cli: failed: ", "quorvane-cli: 失败: ") + job.file +
                 Say(" (the log tells why)\n", " (原因见日志)\n"));
        else
            err_(Say("quorvane-cli: failed: ", "quorvane-cli: 失败: ") + job.file + ": " +
                 failure_ + "\n");
        break;
    case Stage::BatchEnded:
        ended_ = true;
        outcome_ = report.outcome;
        break;
    }
}

void CliPresenter::Show(int percent) {
    percent = std::clamp(percent, shown_, 100);
    shown_ = percent;
    const std::string& name = Job(job_).name;
    if (terminal_) {
        const int filled = percent * 40 / 100;
        err_("\r[" + std::string(static_cast<size_t>(filled), '#') +
             std::string(static_cast<size_t>(40 - filled), ' ') + "] " +
             std::string(percent < 10    ? "  "
                         : percent < 100 ? " "
                                         : "") +
             std::to_string(percent) + "% " + name);
    } else if (percent / 10 > tenth_) {
        tenth_ = percent / 10;
        err_(name + ": " + std::to_string(tenth_ * 10) + "%\n");
    }
}

} // namespace qv
