#include "ConvertingDlg.h"

#include "base/ProgramFolder.h"
#include "platform/ControlId.h"
#include "platform/Messages.h"
#include "platform/UserServices.h"
#include "probe/ResultReader.h"
#include "services/Services.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QVariant>

#include <sys/stat.h>
#include <unistd.h>

namespace qv {

namespace {

// Dialog units of the window's template, in pixels at the usual ratio
// (a 6 x 13 pixel average character: 1.5 horizontally, 1.625 vertically).
QRect Dlu(int x, int y, int w, int h) {
    return QRect(qRound(x * 1.5), qRound(y * 1.625), qRound(w * 1.5), qRound(h * 1.625));
}

class ConvertDoneEvent : public QEvent {
public:
    explicit ConvertDoneEvent(JobOutcome o) : QEvent(Type(WM_CONVERT_DONE)), outcome(o) {}
    JobOutcome outcome;
};

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
    elapsedLabel_->setGeometry(Dlu(133, 14, 138, 8).adjusted(0, -2, 0, 2));
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

    startTimer_.start(kStartTimerMs, this);
}

CConvertingDlg::~CConvertingDlg() {
    // A window torn down mid-batch: the worker must not wait on it any more.
    closing_ = true;
    stopRequested_ = 1;
    if (worker_.joinable())
        worker_.join();
}

void CConvertingDlg::SetBatch(std::vector<CMediaRecord*> jobs, std::string outputFolder,
                              const ProfileRecord& profile, const SettingsRecord& settings) {
    jobs_ = std::move(jobs);
    outputFolder_ = std::move(outputFolder);
    profile_ = profile;
    settings_ = settings;
    engine_ = EngineSettings::From(settings);
}

QWidget* CConvertingDlg::Control(int id) const {
    return FindControl(this, id);
}

CMediaRecord& CConvertingDlg::CurrentJob() {
    return *jobs_.at(static_cast<size_t>(jobNumber_ - 1));
}

template <typename F> void CConvertingDlg::OnInterfaceThread(F&& f) {
    // Queued, never waited for: a worker must not hang on a window that is
    // being torn down. A report still queued when the window goes is dropped
    // with it.
    if (QThread::currentThread() == thread())
        f();
    else if (!closing_)
        QMetaObject::invokeMethod(this, std::forward<F>(f), Qt::QueuedConnection);
}

void CConvertingDlg::ReportStatus(const std::string& text) {
    const std::string file = Text("DlgConverting", "File");
    // The engine's status texts in the window's language.
    std::string shown = text;
    const std::string converting = kStatusConverting;
    if (text == kStatusPreparing)
        shown = UiText("DlgConverting", "Preparing", "准备转换. 这将需要几分钟时间, 请耐心等待.");
    else if (text.rfind(converting, 0) == 0)
        shown = UiText("DlgConverting", "Converting", "正在转换文件:") + " " +
                text.substr(converting.size());
    OnInterfaceThread([this, shown, file] {
        QString status = Q(shown);
        statusLabel_->setToolTip(status);
        statusLabel_->setText(
            statusLabel_->fontMetrics().elidedText(status, Qt::ElideMiddle, statusLabel_->width()));
        counterLabel_->setText(
            QString("%1 [%2/%3]").arg(Q(file)).arg(jobNumber_).arg(jobs_.size()));
    });
}

void CConvertingDlg::ReportProgress(float seconds, uint32_t elapsedMs) {
    const std::string elapsed = UiText("DlgConverting", "Elapsed", "耗时:") + " ";
    OnInterfaceThread([this, seconds, elapsedMs, elapsed] {
        elapsedLabel_->setText(Q(elapsed + FormatSeconds(elapsedMs / 1000)));
        int length = JobLengthSeconds(CurrentJob());
        if (length <= 0)
            return;
        int percent = static_cast<int>(seconds / static_cast<float>(length) * 100.0f);
        if (percent > fileBar_->value() || fileBar_->value() == 100)
            fileBar_->setValue(std::clamp(percent, 0, 100));
        int total = static_cast<int>((percent / 100.0 + (jobNumber_ - 1)) * 100.0 /
                                     static_cast<double>(jobs_.size()));
        if (total > totalBar_->value())
            totalBar_->setValue(std::clamp(total, 0, 100));
    });
}

void CConvertingDlg::SetFileProgress(int percent) {
    OnInterfaceThread([this, percent] { fileBar_->setValue(std::clamp(percent, 0, 100)); });
}

void CConvertingDlg::ReportFailure(const std::string& reason) {
    const std::string source = JobSourceName(CurrentJob());
    std::lock_guard lock(failureMutex_);
    failure_ = reason;
    failedSource_ = source;
}

void CConvertingDlg::PostOutcome(JobOutcome outcome) {
    QCoreApplication::postEvent(this, new ConvertDoneEvent(outcome));
}

void CConvertingDlg::StartWorker() {
    if (worker_.joinable())
        worker_.join();
    worker_ = std::thread([this] { RunJob(*this); });
}

void CConvertingDlg::timerEvent(QTimerEvent* event) {
    if (event->timerId() != startTimer_.timerId())
        return QDialog::timerEvent(event);
    startTimer_.stop();
    if (jobs_.empty())
        return;
    jobNumber_ = 1;
    stopRequested_ = 0;
    inhibitor_ = Services().InhibitSleep("Converting media files");
    StartWorker();
}

void CConvertingDlg::customEvent(QEvent* event) {
    if (event->type() != QEvent::Type(WM_CONVERT_DONE))
        return QDialog::customEvent(event);
    if (worker_.joinable())
        worker_.join(); // it ends right after posting
    HandleOutcome(static_cast<ConvertDoneEvent*>(event)->outcome);
}

void CConvertingDlg::HandleOutcome(JobOutcome outcome) {
    if (outcome == OutcomeFailed) {
        std::string reason, source;
        {
            std::lock_guard lock(failureMutex_);
            reason = failure_;
            source = failedSource_;
        }
        Services().MessageBox(FailureMessage(Text("MsgBox", "ConvertFailed"), source, reason),
                              Text("MsgBox", "Info"), MsgIcon::Exclamation, MsgButtons::Ok);
        End();
    } else if (outcome == OutcomeCancelled) {
        // The engine has removed what the job wrote.
        End();
    } else if (jobNumber_ < static_cast<int>(jobs_.size())) {
        ++jobNumber_;
        StartWorker();
    } else {
        totalBar_->setValue(100);
        if (shutdownCheck_->isChecked())
            Services().PowerOff();
        Services().MessageBox(Text("MsgBox", "ConvertFinished"), "", MsgIcon::None, MsgButtons::Ok);
        if (openFolderCheck_->isChecked())
            ShowFolder(outputFolder_);
        End();
    }
}

void CConvertingDlg::End() {
    stopRequested_ = 0;
    inhibitor_.reset();
    accept();
}

void CConvertingDlg::RequestStop() {
    if (Services().MessageBox(Text("MsgBox", "StopConvert"), Text("MsgBox", "Info"),
                              MsgIcon::Question, MsgButtons::YesNo) == MsgYes)
        stopRequested_ = 1;
}

void CConvertingDlg::closeEvent(QCloseEvent* event) {
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
    if (event->type() == QEvent::WindowStateChange) {
        if (windowState() & Qt::WindowMinimized) {
            // Minimizing the batch minimizes the program and hides this window.
            setWindowState(windowState() & ~Qt::WindowMinimized);
            if (link_)
                link_->MinimizeMain();
            hide();
        }
    }
    QDialog::changeEvent(event);
}

void CConvertingDlg::showEvent(QShowEvent* event) {
    if (link_ && event->spontaneous())
        link_->RestoreMain();
    QDialog::showEvent(event);
}

std::vector<CMediaRecord*> CollectJobs(const std::vector<SourceItem>& sources) {
    std::vector<CMediaRecord*> jobs;
    for (const SourceItem& item : sources) {
        if (item.checked && item.record && item.record->kind != KindDvdDisc)
            jobs.push_back(item.record);
        std::vector<CMediaRecord*> below = CollectJobs(item.children);
        jobs.insert(jobs.end(), below.begin(), below.end());
    }
    return jobs;
}

bool RunConversionBatch(QWidget* parent, const std::vector<SourceItem>& sources,
                        const std::string& outputFolder, const ProfileRecord& profile,
                        const SettingsRecord& settings, MainWindowLink* link,
                        const std::string& toolFolder) {
    std::vector<CMediaRecord*> jobs = CollectJobs(sources);
    if (jobs.empty())
        return false;
    struct stat st;
    if (::stat(outputFolder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        Services().MessageBox(Text("MsgBox", "DirNotExist"), Text("MsgBox", "Info"),
                              MsgIcon::Exclamation, MsgButtons::Ok);
        return false;
    }
    CConvertingDlg dlg(parent);
    dlg.SetBatch(std::move(jobs), outputFolder, profile, settings);
    if (!toolFolder.empty())
        dlg.SetToolFolder(toolFolder);
    dlg.SetMainWindowLink(link);
    if (link)
        link->SetRunningBatch(&dlg);
    dlg.exec();
    if (link)
        link->SetRunningBatch(nullptr);
    return true;
}

} // namespace qv
