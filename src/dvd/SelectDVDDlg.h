#pragma once

#include <QBasicTimer>
#include <QDialog>

#include <functional>
#include <string>
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
// Opens the drive's door; false when it cannot.
bool EjectDrive(const std::string& device);

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

    using DriveLister = std::function<std::vector<OpticalDrive>()>;
    CSelectDVDDlg(bool navigationMode, bool mainTitleOnly, QWidget* parent = nullptr,
                  DriveLister lister = ListOpticalDrives);

    bool driveMode = true;
    std::string folder, drive, volumeLabel, driveItemText;
    bool navigationMode;
    bool mainTitleOnly;

    void Refresh(); // as the timer does: keeps the selected position
    void accept() override;
    QWidget* Control(int id) const;

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    void ListDrives(bool selectByLabel);
    void Enable();

    DriveLister lister_;
    std::vector<OpticalDrive> drives_;
    QComboBox* driveList_;
    QLineEdit* folderEdit_;
    QRadioButton *driveRadio_, *folderRadio_, *mainRadio_, *allRadio_;
    QCheckBox* navigation_;
    QPushButton *eject_, *browse_;
    QBasicTimer refresh_;
};

} // namespace qv
