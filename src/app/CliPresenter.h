#pragma once

// How quorvane-cli shows a batch: each stage in the user's language, a bar
// on a terminal or a line per tenth otherwise on the error stream, each
// finished result's path on the output stream.

#include "engine/BatchRunner.h"

#include <functional>
#include <string>
#include <vector>

namespace qv {

// One job as the command line names it.
struct CliJob {
    std::string file; // as the user gave it
    std::string name; // the result's base name, for the progress
};

class CliPresenter : public BatchObserver {
public:
    using Sink = std::function<void(const std::string& text)>;
    // jobs: in the batch's order. terminal: the error stream is one.
    CliPresenter(std::vector<CliJob> jobs, bool terminal, bool chinese, Sink out, Sink err);

    void OnStage(const StageReport& report) override;

    // A message in the presenter's language.
    const char* Say(const char* english, const char* chinese) const {
        return chinese_ ? chinese : english;
    }
    // Whether the batch has ended with every job done.
    bool AllSucceeded() const { return ended_ && outcome_ == OutcomeSucceeded; }

private:
    void Show(int percent);
    const CliJob& Job(int number) const;

    std::vector<CliJob> jobs_;
    bool terminal_;
    bool chinese_;
    Sink out_, err_;
    int job_ = 0;    // the job the progress is of
    int shown_ = 0;  // the bar only moves forward
    int tenth_ = -1; // the last tenth printed
    std::string failure_;
    bool ended_ = false;
    JobOutcome outcome_ = OutcomeFailed;
};

} // namespace qv
