#include "SelectDVDDlg.h"

#include "dialogs/DialogUtil.h"
#include "dialogs/DirDialog.h"
#include "platform/UserServices.h"
#include "services/Services.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimerEvent>
#include <QVBoxLayout>

#include <QApplication>
#include <QPointer>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <linux/cdrom.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qv {

std::string VolumeLabel(const std::string& device) {
    int fd = ::open(device.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return "";
    // The primary volume descriptor: sector 16, its volume identifier at 40.
    char pvd[2048];
    std::string label;
    if (::pread(fd, pvd, sizeof pvd, 16 * 2048) == static_cast<ssize_t>(sizeof pvd) &&
        pvd[0] == 1 && std::string(pvd + 1, 5) == "CD001") {
        label.assign(pvd + 40, 32);
        while (!label.empty() && (label.back() == ' ' || label.back() == '\0'))
            label.pop_back();
    }
    ::close(fd);
    return label;
}

std::vector<OpticalDrive> ListOpticalDrives() {
    std::vector<OpticalDrive> drives;
    for (int i = 0; i < 16; ++i) {
        const std::string device = "/dev/sr" + std::to_string(i);
        struct stat st;
        if (::stat(device.c_str(), &st) == 0 && S_ISBLK(st.st_mode))
            drives.push_back({device, VolumeLabel(device)});
    }
    return drives;
}

namespace {

// Where a device is mounted, "" when it is not.
std::string MountPointOf(const std::string& device) {
    std::ifstream mounts("/proc/self/mounts");
    std::string from, to, rest;
    while (mounts >> from >> to && std::getline(mounts, rest))
        if (from == device)
            return to;
    return "";
}

} // namespace

std::string EjectDrive(const std::string& device) {
    int fd = ::open(device.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::strerror(errno);
    ::ioctl(fd, CDROM_LOCKDOOR, 0); // a door a player locked
    const bool ok = ::ioctl(fd, CDROMEJECT, 0) == 0;
    const int error = errno;
    ::close(fd);
    if (ok)
        return "";
    const std::string mounted = MountPointOf(device);
    if (!mounted.empty())
        return "mounted at " + mounted + " (umount " + mounted + ")";
    return std::strerror(error);
}

// A listing under way: the worker fills drives, the dialog takes them when
// told. The dialog may go first; the worker then drops them.
struct CSelectDVDDlg::Listing {
    std::vector<OpticalDrive> drives;
    QPointer<CSelectDVDDlg> dialog;
    bool selectByLabel = false;
};

CSelectDVDDlg::CSelectDVDDlg(bool nav, bool mainOnly, QWidget* parent, DriveLister lister,
                             DriveEjector ejector)
    : QDialog(parent), navigationMode(nav), mainTitleOnly(mainOnly), lister_(std::move(lister)),
      ejector_(std::move(ejector)) {
    setWindowTitle(DlgText("DlgDvd", "Title", "添加 DVD"));
    auto* choose = new QGroupBox(DlgText("DlgDvd", "Choose", "选择 DVD"), this);
    driveRadio_ =
        Tag(new QRadioButton(DlgText("DlgDvd", "Drive", "打开 DVD 光驱"), choose), IDC_DRIVE_MODE);
    driveList_ = Tag(new QComboBox(choose), IDC_DRIVES);
    driveList_->setMinimumWidth(220);
    eject_ = Tag(new QPushButton(DlgText("DlgDvd", "Eject", "弹出"), choose), IDC_EJECT);
    folderRadio_ = Tag(new QRadioButton(DlgText("DlgDvd", "Folder", "打开 DVD 文件夹"), choose),
                       IDC_FOLDER_MODE);
    folderEdit_ = Tag(new QLineEdit(choose), IDC_FOLDER);
    browse_ = Tag(new QPushButton(DlgText("Dialog", "Browse", "浏览..."), choose), IDC_BROWSE);
    auto* grid = new QGridLayout(choose);
    grid->addWidget(driveRadio_, 0, 0, 1, 2);
    grid->addWidget(driveList_, 1, 0);
    grid->addWidget(eject_, 1, 1);
    grid->addWidget(folderRadio_, 2, 0, 1, 2);
    grid->addWidget(folderEdit_, 3, 0);
    grid->addWidget(browse_, 3, 1);

    auto* settings = new QGroupBox(DlgText("DlgDvd", "Settings", "设置"), this);
    navigation_ =
        Tag(new QCheckBox(DlgText("DlgDvd", "Navigation", "使用 \"DVD导航模式\" 搜索有效的标题."),
                          settings),
            IDC_NAVIGATION);
    mainRadio_ = Tag(new QRadioButton(DlgText("DlgDvd", "MainTitle", "搜索主标题"), settings),
                     IDC_MAIN_TITLE);
    allRadio_ = Tag(new QRadioButton(DlgText("DlgDvd", "AllTitles", "搜索所有有效标题"), settings),
                    IDC_ALL_TITLES);
    auto* settingsLayout = new QVBoxLayout(settings);
    settingsLayout->addWidget(navigation_);
    auto* searchRow = new QHBoxLayout;
    searchRow->addSpacing(20);
    searchRow->addWidget(mainRadio_);
    searchRow->addWidget(allRadio_);
    searchRow->addStretch();
    settingsLayout->addLayout(searchRow);
    // Two groups of radio buttons, as the template's two group starts.
    auto* modes = new QButtonGroup(this);
    modes->addButton(driveRadio_);
    modes->addButton(folderRadio_);
    auto* searches = new QButtonGroup(this);
    searches->addButton(mainRadio_);
    searches->addButton(allRadio_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(choose);
    layout->addWidget(settings);
    layout->addWidget(OkCancelButtons(this));

    connect(driveRadio_, &QRadioButton::clicked, this, &CSelectDVDDlg::Enable);
    connect(folderRadio_, &QRadioButton::clicked, this, &CSelectDVDDlg::Enable);
    connect(navigation_, &QCheckBox::clicked, this, &CSelectDVDDlg::Enable);
    connect(eject_, &QPushButton::clicked, this, &CSelectDVDDlg::Eject);
    connect(browse_, &QPushButton::clicked, this, [this] {
        CDirDialog picker;
        picker.windowTitle = picker.prompt = UiText("DlgDvd", "ChooseFolder", "选择 DVD 文件夹");
        if (picker.Browse(this) == 1) {
            folder = picker.chosenPath;
            folderEdit_->setText(Q(folder));
        }
    });

    Refresh(); // the first listing selects a drive with a disc
    driveRadio_->setChecked(true);
    (mainTitleOnly ? mainRadio_ : allRadio_)->setChecked(true);
    navigation_->setChecked(navigationMode);
    Enable();
    refresh_.start(kRefreshMs, this);
}

QWidget* CSelectDVDDlg::Control(int id) const {
    return FindControl(this, id);
}

CSelectDVDDlg::~CSelectDVDDlg() {
    if (worker_.joinable())
        worker_.join();
}

void CSelectDVDDlg::ShowDrives(std::vector<OpticalDrive> drives, bool selectByLabel) {
    const int selected = driveList_->currentIndex();
    drives_ = std::move(drives);
    driveList_->clear();
    for (const OpticalDrive& d : drives_)
        driveList_->addItem(Q(d.device + " [" + d.label + "]"));
    driveList_->setCurrentIndex(-1);
    if (selectByLabel) {
        for (size_t i = 0; i < drives_.size(); ++i)
            if (!drives_[i].label.empty()) {
                driveList_->setCurrentIndex(static_cast<int>(i));
                break;
            }
    } else if (selected >= 0 && selected < driveList_->count()) {
        driveList_->setCurrentIndex(selected);
    }
    ++listings_;
}

void CSelectDVDDlg::Refresh() {
    if (listing_)
        return; // the last one is still reading
    if (worker_.joinable())
        worker_.join(); // it has handed its listing over
    auto listing = std::make_shared<Listing>();
    listing->dialog = this;
    listing->selectByLabel = listings_ == 0;
    listing_ = listing;
    worker_ = std::thread([listing, lister = lister_] {
        if (lister)
            listing->drives = lister();
        QMetaObject::invokeMethod(
            qApp,
            [listing] {
                if (CSelectDVDDlg* dlg = listing->dialog) {
                    dlg->listing_.reset();
                    dlg->ShowDrives(std::move(listing->drives), listing->selectByLabel);
                }
            },
            Qt::QueuedConnection);
    });
}

void CSelectDVDDlg::Eject() {
    int i = driveList_->currentIndex();
    if (i < 0 && drives_.size() == 1)
        i = 0; // the only drive needs no choosing
    if (i < 0 || i >= static_cast<int>(drives_.size())) {
        Services().MessageBox(UiText("DlgDvd", "EjectWhich", "请先选择要弹出的 DVD 光驱."),
                              UiText("MsgBox", "Info", "提示"), MsgIcon::Information,
                              MsgButtons::Ok);
        return;
    }
    const std::string device = drives_[static_cast<size_t>(i)].device;
    const std::string why = ejector_ ? ejector_(device) : "";
    if (!why.empty()) {
        std::string text = UiText("DlgDvd", "EjectFailed", "无法弹出 %1: %2.");
        for (auto [mark, value] : {std::pair{"%1", device}, {"%2", why}})
            if (size_t at = text.find(mark); at != std::string::npos)
                text.replace(at, 2, value);
        Services().MessageBox(text, UiText("MsgBox", "Info", "提示"), MsgIcon::Exclamation,
                              MsgButtons::Ok);
    }
}

void CSelectDVDDlg::timerEvent(QTimerEvent* event) {
    if (event->timerId() == refresh_.timerId())
        Refresh();
    else
        QDialog::timerEvent(event);
}

void CSelectDVDDlg::Enable() {
    const bool drives = driveRadio_->isChecked();
    driveList_->setEnabled(drives);
    eject_->setEnabled(drives);
    folderEdit_->setEnabled(!drives);
    browse_->setEnabled(!drives);
    mainRadio_->setEnabled(navigation_->isChecked());
    allRadio_->setEnabled(navigation_->isChecked());
}

void CSelectDVDDlg::accept() {
    folder = folderEdit_->text().toStdString();
    driveItemText = driveList_->currentIndex() >= 0 ? driveList_->currentText().toStdString() : "";
    if (driveRadio_->isChecked()) {
        driveMode = true;
        if (!driveItemText.empty()) {
            drive = driveItemText.substr(0, driveItemText.find(" ["));
            // The label of the last listing (at most one refresh old): read
            // again here, a spinning-up drive would hold the interface.
            const int i = driveList_->currentIndex();
            if (i < static_cast<int>(drives_.size()))
                volumeLabel = drives_[static_cast<size_t>(i)].label;
        }
    } else {
        driveMode = false;
    }
    mainTitleOnly = mainRadio_->isChecked();
    navigationMode = navigation_->isChecked();
    QDialog::accept();
}

} // namespace qv
