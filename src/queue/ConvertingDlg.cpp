#include "ConvertingDlg.h"

#include "base/ProgramFolder.h"
#include "engine/EncoderRun.h"
#include "engine/Estimate.h"
#include "platform/ControlId.h"
#include "platform/UserServices.h"
#include "probe/ResultReader.h"
#include "services/Services.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QEvent>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>
#include <cmath>
#include <sys/stat.h>
#include <utility>

namespace qv {

namespace {

// Dialog units of the window's template, in pixels at the usual ratio
// (a 6 x 13 pixel average character: 1.5 horizontally, 1.625 vertically).
QRect Dlu(int x, int y, int w, int h) {
    return QRect(qRound(x * 1.5), qRound(y * 1.625), qRound(w * 1.5), qRound(h * 1.625));
}

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

} // namespace

CConvertingDlg::CConvertingDlg(QWidget* parent) : QDialog(parent), toolFolder_(ProgramFolder()) {
    UseMediaProbeForResults(); // every result is checked before it counts
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(Dlu(0, 0, 289, 124).size());
    setWindowTitle(QStringLiteral("正在转换"));

    counterLabel_ = Tag(new QLabel(QStringLiteral("文件 [1/2]"), this), IDC_COUNTER);
    counterLabel_->setGeometry(Dlu(16, 14, 110, 8).adjusted(0, -2, 0, 2));
    elapsedLabel_ = Tag(new QLabel(this), IDC_ELAPSED);
    // Reaches left over the counter's free room: the remaining time follows
    // the elapsed time on the same line.
    elapsedLabel_->setGeometry(Dlu(70, 14, 201, 8).adjusted(0, -2, 0, 2));
    elapsedLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    statusLabel_ = Tag(new QLabel(this), IDC_STATUS);
    statusLabel_->setGeometry(Dlu(16, 28, 257, 8).adjusted(0, -2, 0, 2));
    fileBar_ = Tag(new QProgressBar(this), IDC_FILE_BAR);
    fileBar_->setGeometry(Dlu(15, 41, 256, 9));
    totalBar_ = Tag(new QProgressBar(this), IDC_TOTAL_BAR);
    totalBar_->setGeometry(Dlu(15, 56, 256, 9));
    for (QProgressBar* bar : {fileBar_, totalBar_}) {
        bar->setRange(0, 100);
        bar->setValue(0);
        bar->setTextVisible(false);
    }
    openFolderCheck_ =
        Tag(new QCheckBox(QStringLiteral("转换完成后打开输出文件夹"), this), IDC_OPEN_FOLDER);
    openFolderCheck_->setGeometry(Dlu(16, 72, 257, 10));
    shutdownCheck_ =
        Tag(new QCheckBox(QStringLiteral("所有任务结束后关闭计算机"), this), IDC_SHUTDOWN);
    shutdownCheck_->setGeometry(Dlu(16, 87, 257, 10));
    stopButton_ = Tag(new QPushButton(QStringLiteral("停止"), this), IDC_STOP);
    stopButton_->setGeometry(Dlu(217, 103, 54, 14));
    stopButton_->setAutoDefault(false);
    connect(stopButton_, &QPushButton::clicked, this, &CConvertingDlg::RequestStop);

    // The language's texts replace the template's.
    setWindowTitle(Q(Text("DlgConverting", "Title")));
    openFolderCheck_->setText(Q(Text("DlgConverting", "chkOpenDir")));
    shutdownCheck_->setText(Q(Text("DlgConverting", "chkTurnOff")));
    stopButton_->setText(Q(Text("DlgConverting", "btnStop")));
    // The bars have no text of their own: a screen reader says these names with their values.
    fileBar_->setAccessibleName(Q(UiText("DlgConverting", "FileBar", "当前文件进度")));
    totalBar_->setAccessibleName(Q(UiText("DlgConverting", "TotalBar", "全部任务进度")));
    statusLabel_->clear();
    elapsedLabel_->clear();
    // The template's counter text is not the language's: SetBatch names the
    // first job in the language's words.
    counterLabel_->clear();

    startTimer_.start(kStartTimerMs, this);
}

CConvertingDlg::~CConvertingDlg() {
    runner_.reset(); // stops a batch still running and waits for its worker
}

void CConvertingDlg::SetBatch(const std::vector<CMediaRecord*>& jobs, std::string outputFolder,
                              const ProfileRecord& profile, const SettingsRecord& settings) {
    jobs_.clear();
    for (const CMediaRecord* job : jobs)
        jobs_.push_back(*job);
    outputFolder_ = std::move(outputFolder);
    profile_ = profile;
    settings_ = settings;
    ShowCounter(1, static_cast<int>(jobs_.size()));
}

void CConvertingDlg::ShowCounter(int job, int jobs) {
    counterLabel_->setText(
        QString("%1 [%2/%3]").arg(Q(Text("DlgConverting", "File"))).arg(job).arg(jobs));
}

QWidget* CConvertingDlg::Control(int id) const {
    return FindControl(this, id);
}

void CConvertingDlg::timerEvent(QTimerEvent* event) {
    if (event->timerId() != startTimer_.timerId())
        return QDialog::timerEvent(event);
    startTimer_.stop();
    if (!jobs_.empty() && !runner_)
        StartBatch(false);
}

void CConvertingDlg::StartBatch(bool stopAtOnce) {
    startTimer_.stop();
    BatchJobs batch{jobs_, profile_, EngineSettings::From(settings_), outputFolder_, toolFolder_};
    BatchOptions options;
    options.afterFailure = AfterFailure::EndBatch; // a failed job ends the batch
    options.keepAwake = [] { return Services().InhibitSleep("Converting media files"); };
    // The runner's reports come as queued calls of this window's event loop;
    // those still queued when the window goes are dropped with it.
    options.post = [this](std::function<void()> call) {
        QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
    };
    BatchObserver& observer = *this;
    runner_ = std::make_unique<BatchRunner>(std::move(batch), observer, std::move(options));
    if (stopAtOnce)
        runner_->RequestStop();
    runner_->Start();
}

void CConvertingDlg::OnStage(const StageReport& report) {
    if (batchStartMs_ == 0 && report.stage == Stage::Preparing)
        batchStartMs_ = ClockMs();
    switch (report.stage) {
    case Stage::Preparing:
        ShowStatus(
            UiText("DlgConverting", "Preparing", "准备转换. 这将需要几分钟时间, 请耐心等待."),
            report);
        fileBar_->setValue(std::clamp(report.percent, 0, 100));
        break;
    case Stage::Converting:
        ShowStatus(UiText("DlgConverting", "Converting", "正在转换文件:") + " " + report.output,
                   report);
        break;
    case Stage::Progress: {
        std::string elapsed = UiText("DlgConverting", "Elapsed", "耗时:") + " " +
                              FormatSeconds(report.elapsedMs / 1000);
        const double remaining = RemainingBatchSeconds(report);
        if (remaining >= 0)
            elapsed += " / " + UiText("DlgConverting", "Remaining", "剩余时间:") + " " +
                       FormatSeconds(static_cast<int64_t>(std::ceil(remaining)));
        elapsedLabel_->setText(Q(elapsed));
        if (report.percent < 0 || report.jobs <= 0)
            break; // a span of unknown length moves no bar
        const int percent = report.percent;
        if (percent > fileBar_->value() || fileBar_->value() == 100)
            fileBar_->setValue(std::clamp(percent, 0, 100));
        const int total = static_cast<int>((percent / 100.0 + (report.job - 1)) * 100.0 /
                                           static_cast<double>(report.jobs));
        if (total > totalBar_->value()) {
            totalBar_->setValue(std::clamp(total, 0, 100));
            Services().ShowTaskbarProgress(totalBar_->value() / 100.0);
        }
        break;
    }
    case Stage::Failed:
        failure_ = report.reason;
        failedSource_ = report.source;
        break;
    case Stage::JobDone:
        if (report.outcome == OutcomeSucceeded) {
            ++converted_;
            fileBar_->setValue(std::clamp(report.percent, 0, 100));
        } else if (report.outcome == OutcomeFailed) {
            ++failed_;
        }
        break;
    case Stage::BatchEnded:
        if (asking_)
            endWaiting_ = report; // shown once the stop question is answered
        else
            ShowEnd(report);
        break;
    }
}

void CConvertingDlg::ShowStatus(const std::string& text, const StageReport& report) {
    const QString status = Q(text);
    statusLabel_->setToolTip(status);
    statusLabel_->setText(
        statusLabel_->fontMetrics().elidedText(status, Qt::ElideMiddle, statusLabel_->width()));
    ShowCounter(report.job, report.jobs);
}

void CConvertingDlg::ShowEnd(const StageReport& report, bool stopAsked) {
    Services().ShowTaskbarProgress(-1);
    // Whoever works in another program meanwhile learns of the end from the
    // desktop; the boxes below wait for the program's own window.
    if (!QApplication::activeWindow())
        Services().Notify(UiText("DlgConverting", "BatchEnded", "转换结束"),
                          QString::fromStdString(UiText("DlgConverting", "BatchCounts",
                                                        "已转换 %1 个文件, %2 个失败."))
                              .arg(converted_)
                              .arg(failed_)
                              .toStdString());
    if (report.outcome == OutcomeFailed) {
        Services().MessageBox(
            FailureMessage(Text("MsgBox", "ConvertFailed"), failedSource_, failure_),
            Text("MsgBox", "Info"), MsgIcon::Exclamation, MsgButtons::Ok);
    } else if (report.outcome == OutcomeSucceeded) {
        totalBar_->setValue(100);
        // A user who has just said stop does not want the machine off.
        if (shutdownCheck_->isChecked() && !stopAsked)
            Services().PowerOff();
        Services().MessageBox(Text("MsgBox", "ConvertFinished"), "", MsgIcon::None, MsgButtons::Ok);
        if (openFolderCheck_->isChecked())
            ShowFolder(outputFolder_);
    }
    // A stopped batch ends without a word: its job's files are gone.
    if (link_)
        link_->SetRunningBatch(nullptr);
    emit batchEnded();
    accept();
}

void CConvertingDlg::RequestStop() {
    if (asking_)
        return; // the question is open already
    QPointer<CConvertingDlg> alive(this);
    asking_ = true;
    const int answer = Services().MessageBox(Text("MsgBox", "StopConvert"), Text("MsgBox", "Info"),
                                             MsgIcon::Question, MsgButtons::YesNo);
    if (!alive)
        return;
    asking_ = false;
    // The batch ended while the question was open: its end is shown now,
    // once, and a Yes only keeps the machine on.
    if (std::optional<StageReport> end = std::exchange(endWaiting_, std::nullopt))
        return ShowEnd(*end, answer == MsgYes);
    if (answer != MsgYes || BatchOver())
        return;
    if (runner_)
        runner_->RequestStop();
    else
        StartBatch(true); // asked before the first job began: none runs
}

void CConvertingDlg::closeEvent(QCloseEvent* event) {
    if (BatchOver() || jobs_.empty())
        return QDialog::closeEvent(event);
    event->ignore(); // the window ends only with its batch
    RequestStop();
}

void CConvertingDlg::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter: event->accept(); return; // neither closes the window
    default: QDialog::keyPressEvent(event);
    }
}

void CConvertingDlg::changeEvent(QEvent* event) {
    if (event->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMinimized) &&
        link_) {
        // Minimizing the batch minimizes the program and hides this window;
        // restoring the program shows it again. The batch runs on. Done once
        // the state change is over (a minimize may show the window after it),
        // and without restoring this window first, which would read as the
        // user restoring it.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (!(windowState() & Qt::WindowMinimized) || !link_)
                    return;
                link_->MinimizeMain();
                hide();
            },
            Qt::QueuedConnection);
    }
    QDialog::changeEvent(event);
}

void CConvertingDlg::showEvent(QShowEvent* event) {
    if (link_ && event->spontaneous())
        link_->RestoreMain();
    QDialog::showEvent(event);
}

// The main window closed by the window system while its batch runs (this
// window hidden, the program minimised): the batch is not dropped with it.
// The windows come back and the user is asked as the close box asks.
bool CConvertingDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parent() && event->type() == QEvent::Close && BatchRunning()) {
        event->ignore();
        if (link_)
            link_->RestoreMain();
        showNormal();
        raise();
        RequestStop();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

double CConvertingDlg::RemainingBatchSeconds(const StageReport& progress) const {
    if (batchStartMs_ == 0 || progress.percent < 0 || progress.job < 1)
        return -1;
    std::vector<double> weights = jobSeconds_;
    const bool allKnown =
        weights.size() == jobs_.size() &&
        std::all_of(weights.begin(), weights.end(), [](double s) { return s > 0; });
    if (!allKnown) {
        weights.clear();
        for (const CMediaRecord& job : jobs_)
            weights.push_back(std::max(1, JobLengthSeconds(job)));
    }
    return RemainingSeconds(weights, progress.job - 1, progress.percent / 100.0,
                            (ClockMs() - batchStartMs_) / 1000.0);
}

void WarmUpBatchWindow() {
    CConvertingDlg window;
    StageReport report;
    report.stage = Stage::Preparing;
    report.job = 1;
    report.jobs = 2;
    window.Present(report);
    report.stage = Stage::Converting;
    report.output = "0123456789 abcdefghijklmnopqrstuvwxyz.avi";
    window.Present(report);
    report.stage = Stage::Progress;
    report.percent = 50;
    window.Present(report);
    QImage picture(window.size(), QImage::Format_RGB32); // as the screen's
    window.render(&picture);
}

std::vector<CMediaRecord*> CollectJobs(const std::vector<SourceItem>& sources) {
    std::vector<CMediaRecord*> jobs;
    for (const SourceItem& item : sources) {
        if (item.checked && item.record && item.record->kind != KindDvdDisc)
            jobs.push_back(item.record);
        // An unticked disc converts none of its titles.
        if (!item.checked && item.record && item.record->kind == KindDvdDisc)
            continue;
        std::vector<CMediaRecord*> below = CollectJobs(item.children);
        jobs.insert(jobs.end(), below.begin(), below.end());
    }
    return jobs;
}

CConvertingDlg* StartConversionBatch(QWidget* parent, const std::vector<SourceItem>& sources,
                                     const std::string& outputFolder, const ProfileRecord& profile,
                                     const SettingsRecord& settings, MainWindowLink* link,
                                     const std::string& toolFolder) {
    std::vector<CMediaRecord*> jobs = CollectJobs(sources);
    if (jobs.empty())
        return nullptr;
    struct stat st;
    if (::stat(outputFolder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        Services().MessageBox(Text("MsgBox", "DirNotExist"), Text("MsgBox", "Info"),
                              MsgIcon::Exclamation, MsgButtons::Ok);
        return nullptr;
    }
    auto* dlg = new CConvertingDlg(parent);
    dlg->setAttribute(Qt::WA_DeleteOnClose);
    // Modal to the program as long as it is shown, without a modal loop of
    // its own: the batch's life is the runner's, not a loop's.
    dlg->setWindowModality(Qt::ApplicationModal);
    dlg->SetBatch(jobs, outputFolder, profile, settings);
    if (!toolFolder.empty())
        dlg->SetToolFolder(toolFolder);
    dlg->SetMainWindowLink(link);
    if (link)
        link->SetRunningBatch(dlg);
    if (parent)
        parent->installEventFilter(dlg);
    dlg->show();
    return dlg;
}

} // namespace qv
