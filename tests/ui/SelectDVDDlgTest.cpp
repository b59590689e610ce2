#include "dvd/SelectDVDDlg.h"

#include "support/RecordingServices.h"
#include "support/Wait.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>

using namespace qv;

namespace {

template <typename W> W* Get(CSelectDVDDlg& dlg, int id) {
    return qobject_cast<W*>(dlg.Control(id));
}

// Waits for the dialog's next listing of the drives to show.
bool Listed(CSelectDVDDlg& dlg, int listings = 1) {
    return qvtest::Until([&] { return dlg.Listings() >= listings; });
}

} // namespace

TEST(SelectDVDDlg, DrivesListedSelectedByLabelAndKeptOnRefresh) {
    std::vector<OpticalDrive> drives = {{"/dev/sr0", ""}, {"/dev/sr1", "HOLIDAY"}};
    CSelectDVDDlg dlg(true, true, nullptr, [&] { return drives; });
    auto* list = Get<QComboBox>(dlg, CSelectDVDDlg::IDC_DRIVES);
    ASSERT_TRUE(Listed(dlg));
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->itemText(0), QStringLiteral("/dev/sr0 []"));
    EXPECT_EQ(list->currentText(), QStringLiteral("/dev/sr1 [HOLIDAY]"));
    // A drive appears before it: the position stays selected.
    drives.insert(drives.begin(), {"/dev/sr9", "OTHER"});
    dlg.Refresh();
    ASSERT_TRUE(Listed(dlg, 2));
    EXPECT_EQ(list->currentIndex(), 1);
    dlg.accept();
    EXPECT_TRUE(dlg.driveMode);
    EXPECT_EQ(dlg.drive, "/dev/sr0");
    EXPECT_TRUE(dlg.mainTitleOnly);

    CSelectDVDDlg none(true, true, nullptr, [] { return std::vector<OpticalDrive>{}; });
    ASSERT_TRUE(Listed(none));
    EXPECT_EQ(Get<QComboBox>(none, CSelectDVDDlg::IDC_DRIVES)->count(), 0);
    none.accept(); // an empty list still closes with OK
    EXPECT_EQ(none.drive, "");
}

TEST(SelectDVDDlg, EnablingRulesFolderModeAndBrowse) {
    qvtest::RecordingServices user;
    CSelectDVDDlg dlg(false, false, nullptr, [] { return std::vector<OpticalDrive>{}; });
    EXPECT_TRUE(Get<QRadioButton>(dlg, CSelectDVDDlg::IDC_DRIVE_MODE)->isChecked());
    EXPECT_FALSE(Get<QLineEdit>(dlg, CSelectDVDDlg::IDC_FOLDER)->isEnabled());
    EXPECT_FALSE(Get<QRadioButton>(dlg, CSelectDVDDlg::IDC_MAIN_TITLE)->isEnabled());
    EXPECT_TRUE(Get<QRadioButton>(dlg, CSelectDVDDlg::IDC_ALL_TITLES)->isChecked());
    Get<QRadioButton>(dlg, CSelectDVDDlg::IDC_FOLDER_MODE)->click();
    EXPECT_TRUE(Get<QLineEdit>(dlg, CSelectDVDDlg::IDC_FOLDER)->isEnabled());
    EXPECT_FALSE(Get<QComboBox>(dlg, CSelectDVDDlg::IDC_DRIVES)->isEnabled());
    EXPECT_FALSE(Get<QPushButton>(dlg, CSelectDVDDlg::IDC_EJECT)->isEnabled());
    Get<QCheckBox>(dlg, CSelectDVDDlg::IDC_NAVIGATION)->click();
    EXPECT_TRUE(Get<QRadioButton>(dlg, CSelectDVDDlg::IDC_MAIN_TITLE)->isEnabled());
    user.folderAnswer = "/media/copy";
    Get<QPushButton>(dlg, CSelectDVDDlg::IDC_BROWSE)->click();
    EXPECT_EQ(user.folderRequests.back().windowTitle, "选择 DVD 文件夹");
    EXPECT_EQ(Get<QLineEdit>(dlg, CSelectDVDDlg::IDC_FOLDER)->text(),
              QStringLiteral("/media/copy"));
    dlg.accept();
    EXPECT_FALSE(dlg.driveMode);
    EXPECT_EQ(dlg.folder, "/media/copy");
    EXPECT_TRUE(dlg.navigationMode);
    EXPECT_FALSE(dlg.mainTitleOnly);
}

TEST(SelectDVDDlg, DrivesAreReadOffTheInterfaceThread) {
    // A drive spinning up: the listing waits until the test lets it go, and
    // the dialog is there and answers meanwhile.
    std::mutex gate;
    gate.lock();
    std::atomic<bool> onInterfaceThread{false};
    const std::thread::id ui = std::this_thread::get_id();
    CSelectDVDDlg dlg(true, true, nullptr, [&] {
        onInterfaceThread = std::this_thread::get_id() == ui;
        std::lock_guard wait(gate);
        return std::vector<OpticalDrive>{{"/dev/sr0", "SLOW"}};
    });
    Get<QRadioButton>(dlg, CSelectDVDDlg::IDC_FOLDER_MODE)->click();
    EXPECT_TRUE(Get<QLineEdit>(dlg, CSelectDVDDlg::IDC_FOLDER)->isEnabled());
    dlg.Refresh(); // skipped: the first listing is still reading
    EXPECT_EQ(dlg.Listings(), 0);
    gate.unlock();
    ASSERT_TRUE(Listed(dlg));
    EXPECT_FALSE(onInterfaceThread);
    EXPECT_EQ(Get<QComboBox>(dlg, CSelectDVDDlg::IDC_DRIVES)->currentText(),
              QStringLiteral("/dev/sr0 [SLOW]"));
    Get<QRadioButton>(dlg, CSelectDVDDlg::IDC_DRIVE_MODE)->click();
    dlg.accept(); // the label of the listing, not read again here
    EXPECT_EQ(dlg.volumeLabel, "SLOW");
}

TEST(SelectDVDDlg, EjectTakesTheOnlyDriveAndSaysWhyADriveRefuses) {
    qvtest::RecordingServices user;
    std::vector<std::string> ejected;
    std::string refusal;
    std::vector<OpticalDrive> drives = {{"/dev/sr0", ""}}; // no disc: nothing selected
    CSelectDVDDlg dlg(
        true, true, nullptr, [&] { return drives; },
        [&](const std::string& device) {
            ejected.push_back(device);
            return refusal;
        });
    ASSERT_TRUE(Listed(dlg));
    ASSERT_EQ(Get<QComboBox>(dlg, CSelectDVDDlg::IDC_DRIVES)->currentIndex(), -1);
    Get<QPushButton>(dlg, CSelectDVDDlg::IDC_EJECT)->click();
    EXPECT_EQ(ejected, std::vector<std::string>{"/dev/sr0"});
    EXPECT_TRUE(user.boxes.empty());

    refusal = "mounted at /media/cdrom0 (umount /media/cdrom0)";
    Get<QPushButton>(dlg, CSelectDVDDlg::IDC_EJECT)->click();
    ASSERT_EQ(user.boxes.size(), 1u);
    EXPECT_NE(user.boxes.back().text.find("/dev/sr0"), std::string::npos);
    EXPECT_NE(user.boxes.back().text.find("/media/cdrom0"), std::string::npos);

    // Two drives and none chosen: which one is asked, none is ejected.
    drives.push_back({"/dev/sr1", ""});
    dlg.Refresh();
    ASSERT_TRUE(Listed(dlg, 2));
    Get<QComboBox>(dlg, CSelectDVDDlg::IDC_DRIVES)->setCurrentIndex(-1);
    Get<QPushButton>(dlg, CSelectDVDDlg::IDC_EJECT)->click();
    EXPECT_EQ(ejected.size(), 2u);
    EXPECT_EQ(user.boxes.size(), 2u);

    // A real refusal: a file is no drive.
    EXPECT_FALSE(EjectDrive("/dev/null").empty());
}
