#pragma once

#include "engine/EncoderRun.h"
#include "settings/Settings.h"

#include <QBasicTimer>
#include <QDialog>

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;

namespace qv {

class SleepInhibitor;

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

// The modal window of one batch: converts its jobs one after another on a
// worker thread each, shows the file's and the batch's progress, and ends
// after the last job, a failure or a stop.
class CConvertingDlg : public QDialog, public JobBatch {
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
    ~CConvertingDlg() override;

    void SetBatch(std::vector<CMediaRecord*> jobs, std::string outputFolder,
                  const ProfileRecord& profile, const SettingsRecord& settings);
    void SetToolFolder(std::string folder) { toolFolder_ = std::move(folder); }
    void SetMainWindowLink(MainWindowLink* link) { link_ = link; }

    // The 1-based number of the running job; the window advances it itself.
    int JobNumber() const { return jobNumber_; }
    void SetJobNumber(int number) { jobNumber_ = number; }
    QWidget* Control(int id) const;

    // JobBatch: called by the worker; the window's parts change on the
    // interface thread, and each call returns once they have.
    CMediaRecord& CurrentJob() override;
    const ProfileRecord& Profile() const override { return profile_; }
    const EngineSettings& Settings() const override { return engine_; }
    std::string OutputFolder() const override { return outputFolder_; }
    std::string ToolFolder() const override { return toolFolder_; }
    bool StopRequested() const override { return stopRequested_ != 0; }
    void ReportStatus(const std::string& text) override;
    void ReportProgress(float seconds, uint32_t elapsedMs) override;
    void SetFileProgress(int percent) override;
    void ReportFailure(const std::string& reason) override;
    void PostOutcome(JobOutcome outcome) override;

    // Asks whether to stop; on Yes the worker stops at the encoder's next output.
    void RequestStop();

protected:
    void timerEvent(QTimerEvent* event) override;
    void customEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    template <typename F> void OnInterfaceThread(F&& f);
    void StartWorker();
    void HandleOutcome(JobOutcome outcome);
    void End();

    std::vector<CMediaRecord*> jobs_;
    int jobNumber_ = 0;
    std::string outputFolder_;
    ProfileRecord profile_{};
    SettingsRecord settings_;
    EngineSettings engine_;
    std::atomic<int> stopRequested_{0};
    std::atomic<bool> closing_{false};
    std::mutex failureMutex_;
    std::string failure_;      // the failed job's reason, from the worker
    std::string failedSource_; // and its source's name
    std::string toolFolder_;
    MainWindowLink* link_ = nullptr;

    QProgressBar* fileBar_;
    QProgressBar* totalBar_;
    QLabel* statusLabel_;
    QLabel* counterLabel_;
    QLabel* elapsedLabel_;
    QCheckBox* openFolderCheck_;
    QCheckBox* shutdownCheck_;
    QPushButton* stopButton_;

    QBasicTimer startTimer_; // timer 1
    std::thread worker_;
    std::unique_ptr<SleepInhibitor> inhibitor_;
};

// One entry of the source list as the batch sees it.
struct SourceItem {
    CMediaRecord* record = nullptr;
    bool checked = false;
    std::vector<SourceItem> children;
};

// The ticked records that are not DVD disc nodes, depth first; children are
// visited whether their parent is ticked or not.
std::vector<CMediaRecord*> CollectJobs(const std::vector<SourceItem>& sources);

// The Start command's sequence: collect the jobs; with none nothing happens;
// a missing output folder is reported; otherwise the batch runs modally.
// Returns whether a batch ran.
bool RunConversionBatch(QWidget* parent, const std::vector<SourceItem>& sources,
                        const std::string& outputFolder, const ProfileRecord& profile,
                        const SettingsRecord& settings, MainWindowLink* link = nullptr,
                        const std::string& toolFolder = "");

} // namespace qv
