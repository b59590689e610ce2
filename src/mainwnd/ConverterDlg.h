#pragma once

#include "PreviewController.h"
#include "ProfileLayout.h"
#include "SourceListModel.h"
#include "controls/BitmapEx.h"
#include "queue/ConvertingDlg.h"
#include "settings/Settings.h"

#include <QBasicTimer>
#include <QDialog>
#include <QPointer>

#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QTreeWidgetItem;

namespace qv {

struct DvdSource;

class CBitmapSlider;
class CColumnTreeCtrl;
class CMPlayer;
class CMediaRecord;
class CTreeComboBox;
class JobEstimates;
struct ProbeResult;

// The program's one main window: a skinned window without a frame that holds
// the source list, the profile and output controls, the preview and the
// command buttons, and routes every command and notification to its handler.
// The handlers live beside this file, one file per concern: the layout and
// skin, the source list, the profile and output controls, the preview, and
// the help, update and window commands. The sources' records live in a
// SourceListModel that the list shows; the preview's player and what
// follows it live in a PreviewController that this window shows.
class CConverterDlg : public QDialog, public MainWindowLink, private PreviewView {
    Q_OBJECT
public:
    // Control ids of the window.
    enum : int {
        IDC_ADD_VIDEO = 1000,
        IDC_ADD_DVD = 1001,
        IDC_REMOVE = 1002,
        IDC_HELP = 1004,
        IDC_SKIN_OPTIONS = 1005,
        IDC_SOURCE_LIST = 1006,
        IDC_SUBTITLES = 1007,
        IDC_AUDIO_TRACKS = 1008,
        IDC_PROFILE_SETTINGS = 1010,
        IDC_OUTPUT_FOLDER = 1011,
        IDC_BROWSE = 1012,
        IDC_OPEN_OUTPUT = 1013,
        IDC_PLAY = 1014,
        IDC_STOP = 1015,
        IDC_START = 1017,
        IDC_PROFILES = 1018,
        IDC_OPTIONS = 1019,
        IDC_TIME_TEXT = 1023,
        IDC_LABEL_SUBTITLE = 1028,
        IDC_LABEL_AUDIO = 1029,
        IDC_LABEL_PROFILE = 1030,
        IDC_LABEL_OUTPUT = 1031,
        IDC_MINIMIZE = 1039,
        IDC_CLOSE = 1041,
        IDC_SEEK = 1046,
        IDC_SNAPSHOT = 1064,
        IDC_SNAPSHOT_FOLDER = 1065,
        IDC_PREVIEW_CAPTION = 1066,
        IDC_PREVIEW_PICTURE = 1067, // created at start-up, not part of the template
    };
    // Commands of the Help menu (F1 is the help file too).
    enum : int {
        ID_HELP_FILE = 32778,
        ID_SUPPORT = 32781,
        ID_ABOUT = 32783,
        ID_OPEN_LOG = 32786,
        ID_CHECK_UPDATE = 32791,
    };
    // The update check's delay after start-up (the preview's timers are the
    // preview controller's).
    static constexpr int kUpdateDelayMs = 2000;
    static constexpr int kWarmUpDelayMs = 300; // after the first paint
    static constexpr int kWidth = 860, kHeight = 530;
    static constexpr int kPlayOrStop = -1; // Ctrl+P: Play, or Stop while the player runs

    // Where the window finds its files and what it asks of the machine; the
    // defaults are the program's own, tests give their own.
    struct Environment {
        std::string programFolder; // empty: ProgramFolder()
        // Empty: SettingsFilePath(); with a program folder given, its "Config.ini".
        std::string settingsFile;
        std::string documentsFolder;        // empty: the user's default output and snapshot folders
        std::string logFolder;              // empty: LogFolder()
        std::function<std::time_t()> clock; // empty: the system clock
        // Makes the player window; null when it cannot be made. Empty: the
        // player tool of the program folder, when it is there.
        std::function<std::unique_ptr<CMPlayer>(QObject* owner, QWidget* parent)> makePlayer;
    };

    explicit CConverterDlg(Environment environment = {}, QWidget* parent = nullptr);
    ~CConverterDlg() override;

    // Routes a command id to its handler (buttons, menus and shortcuts).
    void OnCommand(int id);

    // The control of an id.
    QWidget* Control(int id) const;

    // The left edge and top of a window of the given size centred on a
    // screen (its geometry on the desktop).
    static QPoint CentredOrigin(const QRect& screen, const QSize& window);

    // MainWindowLink: what a running batch asks of this window.
    void MinimizeMain() override;
    void RestoreMain() override;
    void SetRunningBatch(QWidget* batch) override;

    // Adds one file as a source, as WM_ADD_FILE does; false when it cannot be read.
    bool AddFile(const std::string& path);
    // True while sources are being added (a many-file probe, a DVD scan).
    bool AddingSources() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;
    void customEvent(QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

public slots:
    // Esc reaches this through the dialog's own handling: the window stays.
    void reject() override {}

private:
    // Start-up and layout (MainLayout.cpp).
    void OnInitDialog();
    void CreateControls();
    void ApplyCaptions(bool fromLanguage);
    void ApplyTips(bool fromLanguage);
    void ApplyColumnTitles();
    void ApplySkin(bool withPlaces);
    void ApplyControlColours();
    void PlaceControls();
    bool CreatePlayer();

    // Source list (SourceList.cpp).
    void OnAddFiles();
    void OnAddDvd();
    void OnRemove();
    void OnSourceSelectionChanged(QTreeWidgetItem* current);
    void OnSourceContextMenu(const QPoint& at);
    void OnSourceDoubleClick(QTreeWidgetItem* item);
    void OnTrim(QTreeWidgetItem* item);
    void OnItemCheckChanged(QTreeWidgetItem* item);
    void SetAllChecked(bool checked);
    void ShowTicks();
    void ClearSources();
    void RemoveItem(QTreeWidgetItem* item);
    void UpdateListVisibility();
    void AddFilesInOrder(const std::vector<std::string>& paths);
    void WhileAdding(const std::function<void()>& add);
    void AddDroppedPaths(const std::vector<std::string>& paths);
    void AddDropped(const std::vector<std::string>& paths);
    void ScanDvd(const DvdSource& source);
    // A drag over the window or any of its controls; true when it was taken.
    bool TakeDrag(QEvent* event);
    void InsertFileItem(const std::string& path, const ProbeResult& probe);
    QTreeWidgetItem* AddRowItem(QTreeWidgetItem* parent, CMediaRecord* record);
    QTreeWidgetItem* SelectedItem() const;
    // The item that shows a record; null for none.
    QTreeWidgetItem* ItemOf(const CMediaRecord* record) const;
    CMediaRecord* SelectedRecord() const;

    // Profile and output (ProfileOutput.cpp).
    void LoadProfileList();
    void OnProfileChosen();
    void OnProfileSettings();
    void FillTrackLists(const CMediaRecord* record);
    void FillFileTrackLists(const CMediaRecord& record);
    void EmptyTrackLists();
    void OnAudioTrackChanged(int index);
    void OnSubtitleChanged(int index);
    void OnBrowse();
    void OnOpenOutput();
    void OnStart();

    // Preview (Preview.cpp).
    void OnPlay();
    // Start, Options and closing end the preview's player, starting or playing.
    void StopPlayerIfPlaying();
    // PreviewView: the preview's controls.
    void ShowTimeText(const std::string& text) override;
    void ShowCaption(const std::string& text) override;
    void ShowSliderPosition(int position) override;
    int SliderPosition() const override;
    bool SliderHeld() const override;
    void RestorePicture() override;
    unsigned long PictureWindow() override;
    void OpenFolder(const std::string& folder) override;
    void ShowMessage(const std::string& text) override;

    // Size estimates of the ticked jobs (Estimates.cpp): remade once the
    // event loop turns after any change that bears on them.
    void ScheduleEstimates();
    void RefreshEstimates();
    void ShowEstimates();
    // Each job's estimated encode time; -1 where none is known.
    std::vector<double> EstimatedJobSeconds(const std::vector<CMediaRecord*>& jobs) const;

    // Help, update and window commands (WindowCommands.cpp).
    void OnHelpMenu();
    void OnHelpFile();
    void OnCheckUpdate();
    void OnSupport();
    void OnOpenLog();
    void OnAbout();
    void OnAutoUpdateCheck();
    void OnOptions();
    void OnSkinOptions();
    // Says that a snapshot folder could not be made and which one is used.
    void TellSnapshotFolderUnusable(const std::string& folder, const std::string& used);
    void OnClose();
    std::time_t Now() const;
    void WriteLastUpdateDate();

    Environment env_;

    // The window's state.
    SettingsRecord settings_;
    std::string outputFolder_;
    std::string defaultProfile_;
    std::unique_ptr<ProfileTable> profiles_;
    ProfileRecord currentProfile_{};
    bool hasCurrentProfile_ = false;
    QPointer<QWidget> runningBatch_;
    SourceListModel sources_;
    PreviewController preview_{*this};
    CBitmapEx background_;
    bool closed_ = false;
    bool painted_ = false; // the first paint is done
    bool adding_ = false;  // sources are being added
    bool closeWhenAdded_ = false;
    bool startWhenAdded_ = false;
    std::vector<std::vector<std::string>> queuedDrops_;
    bool showingTicks_ = false; // the list's boxes are being set from the rows' ticks
    bool dragging_ = false;
    QPoint dragOffset_;

    // Controls.
    CColumnTreeCtrl* sourceList_ = nullptr;
    QComboBox* subtitles_ = nullptr;
    QComboBox* audioTracks_ = nullptr;
    CTreeComboBox* profileChooser_ = nullptr;
    QLineEdit* outputEdit_ = nullptr;
    QLabel* timeText_ = nullptr;
    QLabel* previewCaption_ = nullptr;
    QWidget* previewPicture_ = nullptr;
    CBitmapSlider* seek_ = nullptr;

    QBasicTimer updateTimer_;

    std::unique_ptr<JobEstimates> estimates_;
    bool estimatesScheduled_ = false;
};

} // namespace qv
