#include "dvd/SelectDVDDlg.h"

#include "support/RecordingServices.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

using namespace qv;

namespace {

template <typename W> W* Get(CSelectDVDDlg& dlg, int id) {
    return qobject_cast<W*>(dlg.Control(id));
}

} // namespace

TEST(SelectDVDDlg, DrivesListedSelectedByLabelAndKeptOnRefresh) {
    std::vector<OpticalDrive> drives = {{"/dev/sr0", ""}, {"/dev/sr1", "HOLIDAY"}};
    CSelectDVDDlg dlg(true, true, nullptr, [&] { return drives; });
    auto* list = Get<QComboBox>(dlg, CSelectDVDDlg::IDC_DRIVES);
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->itemText(0), QStringLiteral("/dev/sr0 []"));
    EXPECT_EQ(list->currentText(), QStringLiteral("/dev/sr1 [HOLIDAY]"));
    // A drive appears before it: the position stays selected.
    drives.insert(drives.begin(), {"/dev/sr9", "OTHER"});
    dlg.Refresh();
    EXPECT_EQ(list->currentIndex(), 1);
    dlg.accept();
    EXPECT_TRUE(dlg.driveMode);
    EXPECT_EQ(dlg.drive, "/dev/sr0");
    EXPECT_TRUE(dlg.mainTitleOnly);

    CSelectDVDDlg none(true, true, nullptr, [] { return std::vector<OpticalDrive>{}; });
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
