#pragma once

#include <QBasicTimer>
#include <QDialog>

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace qv {

// An optical drive: its device and the label of the disc in it ("" without).
struct OpticalDrive {
    std::string device;
    std::string label;
};

// The machine's optical drives (/dev/sr0 ... /dev/sr15) with their discs'
// ISO 9660 volume labels.
std::vector<OpticalDrive> ListOpticalDrives();
// The volume label of the disc in a drive, "" when none can be read.
std::string VolumeLabel(const std::string& device);
// Opens the drive's door; "" when it did, else why not (a mounted disc
// names its mount point).
std::string EjectDrive(const std::string& device);

// Where the DVD to add is: a disc in a drive, or a copied folder; and the
// valid-title search's two settings.
class CSelectDVDDlg : public QDialog {
    Q_OBJECT
public:
    enum : int {
        IDC_DRIVE_MODE = 1056,
        IDC_DRIVES = 1044,
        IDC_EJECT = 1039,
        IDC_FOLDER_MODE = 1057,
        IDC_FOLDER = 1011,
        IDC_BROWSE = 1012,
        IDC_NAVIGATION = 1020,
        IDC_MAIN_TITLE = 1063,
        IDC_ALL_TITLES = 1064
    };
    static constexpr int kRefreshMs = 3000;

    // Called off the interface thread: reading a label can wait for a drive
    // to spin up.
    using DriveLister = std::function<std::vector<OpticalDrive>()>;
    using DriveEjector = std::function<std::string(const std::string&)>;
    CSelectDVDDlg(bool navigationMode, bool mainTitleOnly, QWidget* parent = nullptr,
                  DriveLister lister = ListOpticalDrives, DriveEjector ejector = EjectDrive);
    ~CSelectDVDDlg() override;

    bool driveMode = true;
    std::string folder, drive, volumeLabel, driveItemText;
    bool navigationMode;
    bool mainTitleOnly;

    // As the timer does: lists the drives on a worker thread; the list shows
    // them when the listing is back, keeping the selected position. A refresh
    // while one is under way is skipped.
    void Refresh();
    int Listings() const { return listings_; } // listings shown so far
    void Eject();                              // the selected drive, or the only one
    void accept() override;
    QWidget* Control(int id) const;

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    void ShowDrives(std::vector<OpticalDrive> drives, bool selectByLabel);
    void Enable();

    struct Listing;
    DriveLister lister_;
    DriveEjector ejector_;
    std::shared_ptr<Listing> listing_;
    std::thread worker_; // joined before the next listing and before the dialog goes
    int listings_ = 0;
    std::vector<OpticalDrive> drives_;
    QComboBox* driveList_;
    QLineEdit* folderEdit_;
    QRadioButton *driveRadio_, *folderRadio_, *mainRadio_, *allRadio_;
    QCheckBox* navigation_;
    QPushButton *eject_, *browse_;
    QBasicTimer refresh_;
};

} // namespace qv
