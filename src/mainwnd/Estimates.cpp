// The main window's size estimates: each ticked job's expected result size
// for the chosen profile, shown as the tip of its row and remade when the
// profile, a trim, a track or the ticks change.

#include "ConverterDlg.h"
#include "JobEstimates.h"
#include "SourceList.h"
#include "WindowText.h"
#include "controls/ColumnTreeCtrl.h"
#include "engine/EncoderRun.h"
#include "services/Services.h"

#include <QTimer>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <cmath>

namespace qv {

namespace {

std::string EstimateTip(const std::optional<JobEstimates::Known>& known) {
    if (!known)
        return UiText("MainUI", "Estimating", "正在估算输出大小...");
    if (!known->ok)
        return UiText("MainUI", "NoEstimate", "无法估算大小:") + " " + known->reason;
    std::string tip =
        UiText("MainUI", "EstimatedSize", "预计大小:") + " " + SizeText(known->estimate.bytes);
    if (known->estimate.encodeSeconds >= 0)
        tip += ", " + UiText("MainUI", "EstimatedTime", "转换约需") + " " +
               FormatSeconds(static_cast<int64_t>(std::ceil(known->estimate.encodeSeconds)));
    return tip;
}

} // namespace

void CConverterDlg::ScheduleEstimates() {
    if (estimatesScheduled_)
        return;
    estimatesScheduled_ = true;
    QTimer::singleShot(0, this, [this] {
        estimatesScheduled_ = false;
        RefreshEstimates();
    });
}

void CConverterDlg::RefreshEstimates() {
    if (!hasCurrentProfile_)
        return;
    if (!estimates_) {
        estimates_ = std::make_unique<JobEstimates>(env_.programFolder);
        connect(estimates_.get(), &JobEstimates::estimated, this, [this] { ShowEstimates(); });
    }
    std::vector<const CMediaRecord*> ticked;
    if (!runningBatch_)
        for (CMediaRecord* job : CollectJobs(sources_.SourceItems()))
            ticked.push_back(job);
    // A running batch has the machine to itself: samples wait for its end.
    estimates_->Want(ticked, currentProfile_, EngineSettings::From(settings_));
    ShowEstimates();
}

void CConverterDlg::ShowEstimates() {
    if (!estimates_ || !sourceList_)
        return;
    std::vector<CMediaRecord*> ticked = CollectJobs(sources_.SourceItems());
    for (QTreeWidgetItemIterator it(sourceList_->GetTreeCtrl()); *it; ++it) {
        const CMediaRecord* record = RecordOf(*it);
        QString tip;
        if (record && std::find(ticked.begin(), ticked.end(), record) != ticked.end())
            tip = QString::fromStdString(EstimateTip(estimates_->Find(*record, currentProfile_)));
        ShowRowTip(*it, tip);
    }
}

std::vector<double>
CConverterDlg::EstimatedJobSeconds(const std::vector<CMediaRecord*>& jobs) const {
    std::vector<double> seconds;
    for (const CMediaRecord* job : jobs) {
        std::optional<JobEstimates::Known> known =
            estimates_ ? estimates_->Find(*job, currentProfile_) : std::nullopt;
        seconds.push_back(known && known->ok ? known->estimate.encodeSeconds : -1);
    }
    return seconds;
}

} // namespace qv
