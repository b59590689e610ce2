#pragma once

#include "engine/BatchRunner.h"
#include "settings/Settings.h"

#include <QBasicTimer>
#include <QDialog>

#include <memory>
#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;

namespace qv {

// What the progress window needs of the main window.
class MainWindowLink {
public:
    virtual ~MainWindowLink() = default;
    virtual void MinimizeMain() = 0;
    virtual void RestoreMain() = 0;
    // The batch window while it runs (null afterwards), to show it again when
    // the main window is restored.
    virtual void SetRunningBatch(QWidget* batch) = 0;
};

// The window of one batch: it starts the batch's runner, shows the file's
// and the batch's progress as the runner reports them, and closes when the
// batch has ended (after the last job, a failure or a stop). The batch runs
// outside the window's life as a window: minimising, hiding or restoring it
// never touches a job; only Stop and the close box stop, after asking.
class CConvertingDlg : public QDialog, private BatchObserver {
    Q_OBJECT
public:
    // Control ids of the window.
    enum : int {
        IDC_STOP = 1015,
        IDC_FILE_BAR = 1018,
        IDC_TOTAL_BAR = 1019,
        IDC_SHUTDOWN = 1020,
        IDC_OPEN_FOLDER = 1021,
        IDC_STATUS = 1024,
        IDC_COUNTER = 1025,
        IDC_ELAPSED = 1055,
    };
    static constexpr int kStartTimerMs = 500;

    explicit CConvertingDlg(QWidget* parent = nullptr);
    // A batch still running is stopped: the job's files go, no other job runs.
    ~CConvertingDlg() override;

    // The jobs are copied: the batch never reaches back into the source list.
    void SetBatch(const std::vector<CMediaRecord*>& jobs, std::string outputFolder,
                  const ProfileRecord& profile, const SettingsRecord& settings);
    void SetToolFolder(std::string folder) { toolFolder_ = std::move(folder); }
    void SetMainWindowLink(MainWindowLink* link) { link_ = link; }
    // Each job's estimated encode time in the batch's order (-1 unknown):
    // the remaining time weighs the jobs by them when every one is known,
    // else by their spans.
    void SetJobEstimates(std::vector<double> seconds) { jobSeconds_ = std::move(seconds); }
    // The batch's remaining time as the elapsed-time label shows it; -1 unknown.
    double RemainingBatchSeconds(const StageReport& progress) const;

    QWidget* Control(int id) const;
    // Whether the batch has started and not yet ended; whether it has ended.
    bool BatchRunning() const { return runner_ && runner_->Running(); }
    bool BatchOver() const { return runner_ && runner_->Ended(); }

    // A stage of the batch, as the runner reports it (public for tests).
    void Present(const StageReport& report) { OnStage(report); }

    // Asks whether to stop; on Yes the job stops at the encoder's next output.
    void RequestStop();

signals:
    // The batch has ended and its end has been shown; the window closes next.
    void batchEnded();

protected:
    void timerEvent(QTimerEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnStage(const StageReport& report) override;
    void StartBatch(bool stopAtOnce);
    void ShowStatus(const std::string& text, const StageReport& report);
    void ShowCounter(int job, int jobs);
    void ShowEnd(const StageReport& report, bool stopAsked = false);

    std::vector<CMediaRecord> jobs_;
    std::string outputFolder_;
    ProfileRecord profile_{};
    SettingsRecord settings_;
    std::string toolFolder_;
    MainWindowLink* link_ = nullptr;
    std::string failure_;            // the failed job's reason
    std::string failedSource_;       // and its source's name
    int converted_ = 0, failed_ = 0; // jobs so far

    QProgressBar* fileBar_;
    QProgressBar* totalBar_;
    QLabel* statusLabel_;
    QLabel* counterLabel_;
    QLabel* elapsedLabel_;
    QCheckBox* openFolderCheck_;
    QCheckBox* shutdownCheck_;
    QPushButton* stopButton_;

    // While the stop question is open the batch's end waits for its answer.
    bool asking_ = false;
    std::optional<StageReport> endWaiting_;

    QBasicTimer startTimer_; // timer 1
    std::unique_ptr<BatchRunner> runner_;

    // The remaining time: the wall clock since the batch began.
    std::vector<double> jobSeconds_;
    uint64_t batchStartMs_ = 0;
};

// Paints a batch window once, off the screen and without a batch, so that
// the first real one finds its fonts, glyphs and style ready: its first
// paint then costs the interface thread a fraction of what it would.
void WarmUpBatchWindow();

// One entry of the source list as the batch sees it.
struct SourceItem {
    CMediaRecord* record = nullptr;
    bool checked = false;
    std::vector<SourceItem> children;
};

// The ticked records that are not DVD disc nodes, depth first; the titles of
// an unticked disc are left out.
std::vector<CMediaRecord*> CollectJobs(const std::vector<SourceItem>& sources);

// The Start command's sequence: collect the jobs; with none nothing happens;
// a missing output folder is reported; otherwise the batch starts in its
// progress window, shown modal to the program, and the call returns. The
// window tells the link it runs, and that it no longer does once the batch
// has ended; it then closes and deletes itself. Returns the window, or null
// when no batch started.
CConvertingDlg* StartConversionBatch(QWidget* parent, const std::vector<SourceItem>& sources,
                                     const std::string& outputFolder, const ProfileRecord& profile,
                                     const SettingsRecord& settings, MainWindowLink* link = nullptr,
                                     const std::string& toolFolder = "");

} // namespace qv
