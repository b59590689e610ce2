#pragma once

#include "DvdInfoBlock.h"
#include "MainFeature.h"
#include "engine/JobModel.h"

#include <QBasicTimer>
#include <QDialog>

#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

class QLabel;
class QProgressBar;

namespace qv {

// What the DVD source dialog chose, and what a scan of it reads.
struct DvdSource {
    bool drive = false;
    std::string path;        // the device (/dev/sr0) or the folder
    std::string volumeLabel; // a drive's label
};
struct PreparedScan {
    std::string sourcePath; // the device, or the folder (with VIDEO_TS/ when it has one)
    std::string scanPath;   // what libdvdread reads, ending with "/"
    std::string label;      // the cleaned volume label; empty for a folder
    std::string device;     // the drive for the player run; empty for a folder
};

// The paths and label of a scan; logs the drive or folder being added.
PreparedScan PrepareScan(const DvdSource& source);

// What a scan met: the structure reader's result (0, or its error code), the
// titles it read, and what the valid-title search said of them.
struct DvdScanOutcome {
    int readResult = 0;
    int titles = 0;
    bool searched = false;
    int unreadableTitles = 0; // titles whose cells do not read
    int searchFailure = 0;    // the search's own failure (1 not opened, 2 out of time)
};

// Why a scan gave nothing to convert.
enum class DvdProblem {
    None,             // it gave titles
    NoPath,           // no drive or folder was named
    Missing,          // the path does not exist
    NotReadable,      // the drive or folder cannot be opened (detail: the system's reason)
    NotDvd,           // no readable VIDEO_TS.IFO or title table
    Damaged,          // the reader crashed on the disc's files
    TimedOut,         // the disc took longer than two minutes to read
    Encrypted,        // a scrambled (CSS) disc and no libdvdcss to read it
    TitlesUnreadable, // the title table reads, the titles' sectors do not
    NoLongTitle,      // every title is shorter than the search's minute
};
struct DvdDiagnosis {
    DvdProblem problem = DvdProblem::None;
    std::string detail;
};

// What the path of a scan says of itself.
struct DvdPathFacts {
    bool named = true;      // a path was given
    int statError = 0;      // errno of stat, 0 when it exists
    int openError = 0;      // errno of opening it, 0 when it opens
    bool drive = false;     // a device (or an image file), not a folder
    bool scrambled = false; // a drive's disc marked as CSS-scrambled
    bool cssAvailable = false;
};
DvdPathFacts DvdPathFactsOf(const std::string& path);

// The reason for an outcome without a title. found: titles the scan selected.
DvdDiagnosis DiagnoseDvd(const DvdPathFacts& path, const DvdScanOutcome& outcome, int found);
// The same, with the facts of the scan's source path.
DvdDiagnosis DiagnoseDvdScan(const PreparedScan& scan, const DvdScanOutcome& outcome, int found);
// The message for a diagnosis, in the interface language.
std::string DvdProblemText(const DvdDiagnosis& diagnosis, const std::string& path);
// Whether libdvdcss can be loaded (libdvdread then uses it by itself).
bool DvdCssAvailable();

// What the title search said of each valid title, by title number.
using DvdTitleTraits = std::map<int, TitleTraits>;
// A title row's tooltip, in the interface language: "main feature" for the
// one the search picked, then its length, whether its cells play in order,
// how many it shares with other titles, and whether the disc starts it.
std::string TitleTraitsText(const TitleTraits& traits);

// The scan dialog: reads the disc's structure and, with runOsprel, runs the
// valid-title search; ends by itself with the block's selected flags set
// (1 for a title to convert; with mainTitle, 2 for the other valid titles,
// listed to be ticked by hand).
class CParseDVDDlg : public QDialog {
    Q_OBJECT
public:
    enum : int { IDC_PROGRESS = 1018, IDC_FOUND = 1062, IDC_STOP = 1015 };
    static constexpr int kStartTimerMs = 100;

    CParseDVDDlg(std::shared_ptr<DvdInfoBlock> block, const PreparedScan& scan, bool runOsprel,
                 bool mainTitle, QWidget* parent = nullptr);
    ~CParseDVDDlg() override;

    int Progress() const;
    QString FoundText() const;
    // A search report, as the search sends it (wParam 1: a title; 2: percent).
    void Report(long long wParam, long long lParam);
    void Stop(); // asks first; the scan's reads are ended and the dialog closes
    bool StoppedByUser() const { return stoppedByUser_; }
    const DvdScanOutcome& Outcome() const { return outcome_; }
    const DvdTitleTraits& Traits() const { return traits_; }

protected:
    void timerEvent(QTimerEvent* event) override;
    void customEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    struct Shared;
    void Done();
    void Cancel();

    std::shared_ptr<Shared> shared_; // kept by the worker while it runs
    std::thread worker_;             // joined before the dialog goes
    std::shared_ptr<DvdInfoBlock> block_;
    PreparedScan scan_;
    bool runOsprel_, mainTitle_;
    std::vector<int> found_;
    DvdScanOutcome outcome_;
    DvdTitleTraits traits_;
    QString foundText_;
    QProgressBar* progress_;
    QLabel* label_;
    QBasicTimer startTimer_; // timer 10
    bool done_ = false;
    bool stoppedByUser_ = false;
};

// The sources a scanned disc gives: the disc's record, named by the scan
// path, and one record per selected title, in title order, each with how
// its row shows (rows[i] goes with titles[i]). No titles when none is
// selected. A title selected 2 (listed beside the main feature) is listed
// unticked; traits give the rows their tooltips and the main feature.
struct DvdTitleRow {
    bool ticked = true;
    bool mainFeature = false;
    std::string note; // the tooltip; empty without traits
};
struct DvdSources {
    std::string name;
    std::unique_ptr<CMediaRecord> disc;
    std::vector<std::unique_ptr<CMediaRecord>> titles;
    std::vector<DvdTitleRow> rows;
};
DvdSources DvdSourcesOf(const DvdInfoBlock& block, const PreparedScan& scan,
                        const DvdTitleTraits& traits = {});

} // namespace qv
