// The main window: start-up, layout, window behaviour, the Help menu, the
// update check, the options and closing, on the build's program files.
#include "MainWindowFixture.h"

#include "base/PathText.h"

#include "controls/BmpButton.h"
#include "controls/TreeComboBox.h"
#include "dialogs/ConvOptionsDlg.h"
#include "dialogs/OptionDlg.h"
#include "mainwnd/MainLayout.h"
#include "mainwnd/WindowCommands.h"
#include "platform/ControlId.h"
#include "services/Services.h"
#include "support/Process.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

using namespace qvtest;
using qv::CConverterDlg;

namespace {

// What the window paints itself, without its controls.
QImage Surface(QWidget& window) {
    QImage image(window.size(), QImage::Format_RGB32);
    image.fill(Qt::black);
    window.render(&image, QPoint(), QRegion(), QWidget::DrawWindowBackground);
    return image;
}

std::string CaptionOf(QWidget* w) {
    if (auto* label = qobject_cast<qv::CColorStatic*>(w))
        return label->text;
    if (auto* button = qobject_cast<qv::CBmpButton*>(w))
        return button->caption;
    return {};
}

} // namespace

TEST_F(MainWindowTest, StartsWithEveryControlInPlaceAndTheTextsOfTheLanguageFile) {
    WriteIni("[System]\nDefOutput=" + home.path() + "/out/\n");
    auto dlg = Open();
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("Quorvane Pro"));
    EXPECT_EQ(dlg->size(), QSize(860, 530));
    EXPECT_TRUE(dlg->windowFlags() & Qt::FramelessWindowHint);
    for (int id :
         {1000, 1001, 1002, 1004, 1005, 1006, 1007, 1008, 1010, 1011, 1012, 1013, 1014, 1015,
          1017, 1018, 1019, 1023, 1028, 1029, 1030, 1031, 1039, 1041, 1046, 1064, 1065, 1066})
        EXPECT_NE(dlg->Control(id), nullptr) << id;
    for (const qv::ControlPlace& c : qv::kControlPlaces) {
        QWidget* w = dlg->Control(c.id);
        EXPECT_EQ(w->pos(), c.place.topLeft()) << c.id;
        if (c.place.width() > 0) {
            EXPECT_EQ(w->width(), c.place.width()) << c.id;
            // The chooser keeps the height its face needs.
            if (c.id != 1018) {
                EXPECT_EQ(w->height(), c.place.height()) << c.id;
            }
        }
    }
    // The skin places the buttons (Start of the Default skin at 640, 420).
    EXPECT_EQ(dlg->Control(1017)->geometry(), QRect(640, 420, 170, 70));
    EXPECT_FALSE(static_cast<qv::CBmpButton*>(dlg->Control(1017))->Image().IsNull());
    EXPECT_EQ(CaptionOf(dlg->Control(1028)), "Subtitle");
    EXPECT_EQ(CaptionOf(dlg->Control(1029)), "Audio track");
    EXPECT_EQ(CaptionOf(dlg->Control(1030)), "Profile");
    EXPECT_EQ(CaptionOf(dlg->Control(1031)), "Output");
    EXPECT_EQ(CaptionOf(dlg->Control(1010)), "Settings");
    EXPECT_EQ(CaptionOf(dlg->Control(1012)), "Browse...");
    EXPECT_EQ(CaptionOf(dlg->Control(1013)), "Open");
    EXPECT_EQ(static_cast<QLabel*>(dlg->Control(1023))->text(), "00:00:00/00:00:00");
    EXPECT_FALSE(dlg->Control(1006)->isVisibleTo(dlg.get()));
    EXPECT_FALSE(dlg->Control(1007)->isEnabled());
    EXPECT_FALSE(dlg->Control(1008)->isEnabled());
    EXPECT_TRUE(dlg->Control(1001)->isVisibleTo(dlg.get()));
    EXPECT_EQ(static_cast<QLineEdit*>(dlg->Control(1011))->text().toStdString(),
              home.path() + "/out/");
    EXPECT_TRUE(CurrentProfile(*dlg));
    // The skin's picture, not the plain panel colour, covers the window.
    QImage plain(dlg->size(), QImage::Format_RGB32);
    plain.fill(QColor(78, 78, 78));
    EXPECT_NE(Surface(*dlg), plain);
    // The rounded corners: the corner pixel is outside the window's shape.
    EXPECT_FALSE(dlg->mask().contains(QPoint(0, 0)));
    EXPECT_TRUE(dlg->mask().contains(QPoint(430, 265)));
    EXPECT_TRUE(LogHas("Start Converter.exe " + qv::FileVersionText()));
    // The update check runs shortly after: on a first start it stores the time.
    EXPECT_TRUE(WaitUntil([&] { return !ReadIni("Update", "LastUpdateDate").empty(); }));
}

TEST_F(MainWindowTest, WithoutALanguageFileTheBuiltInCaptionsStayAndNoTitleIsSet) {
    RemoveLanguages();
    auto dlg = Open();
    EXPECT_TRUE(dlg->windowTitle().isEmpty());
    EXPECT_EQ(CaptionOf(dlg->Control(1028)), "字幕");
    EXPECT_EQ(CaptionOf(dlg->Control(1029)), "音轨");
    EXPECT_EQ(CaptionOf(dlg->Control(1030)), "配置");
    EXPECT_EQ(CaptionOf(dlg->Control(1031)), "输出");
    EXPECT_EQ(CaptionOf(dlg->Control(1010)), "设置");
    EXPECT_EQ(CaptionOf(dlg->Control(1012)), "浏览...");
    EXPECT_EQ(CaptionOf(dlg->Control(1013)), "打开");
}

TEST_F(MainWindowTest,
       WithoutAPlayerTheWindowOpensWithoutCheckStartLineOrFolderButKeepsTheSetting) {
    WriteIni("[System]\nDefOutput=/kept/folder/\n");
    env.makePlayer = [](QObject*, QWidget*) { return std::unique_ptr<qv::CMPlayer>(); };
    const std::string marker = "Start Converter.exe";
    const size_t startsBefore = LogCount(marker);
    auto dlg = Open();
    EXPECT_TRUE(static_cast<QLineEdit*>(dlg->Control(1011))->text().isEmpty());
    // Play starts nothing, and no update check comes.
    services.filesAnswer = {MediaDir() + "av.mp4"};
    dlg->OnCommand(CConverterDlg::IDC_ADD_VIDEO);
    Tree(*dlg)->setCurrentItem(Tree(*dlg)->topLevelItem(0));
    dlg->OnCommand(CConverterDlg::IDC_PLAY);
    EXPECT_TRUE(ChildrenOf(::getpid()).empty());
    RunEventsFor(CConverterDlg::kUpdateDelayMs + 500);
    EXPECT_EQ(ReadIni("Update", "LastUpdateDate"), "");
    dlg->OnCommand(CConverterDlg::IDC_CLOSE);
    EXPECT_EQ(ReadIni("System", "DefOutput"), "/kept/folder/");
    EXPECT_EQ(LogCount(marker), startsBefore);
}

TEST(MainWindowLayout, CentringKeepsANegativeLeftEdgeOnANarrowScreenAndTheScreensOrigin) {
    EXPECT_EQ(CConverterDlg::CentredOrigin({0, 0, 1920, 1080}, {860, 530}), QPoint(530, 275));
    EXPECT_EQ(CConverterDlg::CentredOrigin({0, 0, 800, 600}, {860, 530}), QPoint(-30, 35));
    EXPECT_EQ(CConverterDlg::CentredOrigin({0, 0, 801, 529}, {860, 530}), QPoint(-29, 0));
    // The second of two monitors, right of the first and lower.
    EXPECT_EQ(CConverterDlg::CentredOrigin({1920, 100, 1280, 1024}, {860, 530}),
              QPoint(1920 + 210, 100 + 247));
}

TEST(UpdateCheck, IsDueByTheSettingAndTheWholeDaysSinceTheLastCheck) {
    std::time_t then = 0;
    ASSERT_TRUE(qv::ParseUpdateTime("2026-03-01 12:00:00", &then));
    const std::time_t day = 24 * 60 * 60;
    using A = qv::UpdateAction;
    struct Case {
        std::string last;
        int setting;
        std::time_t now;
        A expected;
    } cases[] = {
        {"", 0, then + 100 * day, A::StoreNow},
        {"not a date", 1, then + 100 * day, A::StoreNow},
        {"2026-03-01 12:00:00 and more", 1, then + 100 * day, A::StoreNow},
        {"2026-03-01 12:00:00", 0, then + day - 1, A::Nothing},
        {"2026-03-01 12:00:00", 0, then + day, A::RunUpdater},
        {"2026-03-01 12:00:00", 1, then + 7 * day - 1, A::Nothing},
        {"2026-03-01 12:00:00", 1, then + 7 * day, A::RunUpdater},
        {"2026-03-01 12:00:00", 2, then + 30 * day - 1, A::Nothing},
        {"2026-03-01 12:00:00", 2, then + 30 * day, A::RunUpdater},
        {"2026-03-01 12:00:00", 3, then + 1000 * day, A::Nothing},
        {"2026-03-01 12:00:00", -1, then + 1000 * day, A::Nothing},
        // A time in the future is never due until it has passed by the days.
        {"2026-03-01 12:00:00", 0, then - 5 * day, A::Nothing},
        {"2026-03-01 12:00:00", 0, then - day / 2, A::Nothing},
    };
    for (const Case& c : cases)
        EXPECT_EQ(qv::AutomaticUpdateAction(c.last, c.setting, c.now), c.expected)
            << c.last << " / " << c.setting << " / " << (c.now - then);
    EXPECT_EQ(qv::FormatUpdateTime(then), "2026-03-01 12:00:00");
}

TEST_F(MainWindowTest, TheAutomaticCheckRunsTheUpdaterOnlyWhenDueAndOnlyThenRewritesTheDate) {
    std::time_t then = 0;
    ASSERT_TRUE(qv::ParseUpdateTime("2026-03-01 12:00:00", &then));
    env.clock = [then] { return then + 8 * 24 * 60 * 60; };
    {
        // Installed from the package: due or not, no box opens by itself.
        Run("touch '" + program / qv::kPerUserMarker + "'");
        WriteIni("[Update]\nCheckUpdate=1\nLastUpdateDate=2026-03-01 12:00:00\n");
        auto dlg = Open();
        RunEventsFor(CConverterDlg::kUpdateDelayMs + 500);
        EXPECT_FALSE(HasEvent("start:"));
        EXPECT_EQ(ReadIni("Update", "LastUpdateDate"), "2026-03-01 12:00:00");
        Run("rm '" + program / qv::kPerUserMarker + "'");
    }
    {
        WriteIni("[Update]\nCheckUpdate=2\nLastUpdateDate=2026-03-01 12:00:00\n");
        auto dlg = Open();
        RunEventsFor(CConverterDlg::kUpdateDelayMs + 500);
        EXPECT_EQ(ReadIni("Update", "LastUpdateDate"), "2026-03-01 12:00:00");
        EXPECT_FALSE(HasEvent("start:"));
    }
    {
        WriteIni("[Update]\nCheckUpdate=1\nLastUpdateDate=2026-03-01 12:00:00\n");
        auto dlg = Open();
        WaitUntil([&] { return HasEvent("start:"); });
        EXPECT_EQ(ReadIni("Update", "LastUpdateDate"), qv::FormatUpdateTime(env.clock()));
        EXPECT_TRUE(HasEvent("start:" + program.path() + "/Update"));
    }
    {
        // First start: the time is stored, nothing runs; a missing updater
        // changes nothing of that.
        services.events.clear();
        services.startAnswer = false;
        WriteIni("[Update]\nCheckUpdate=0\n");
        auto dlg = Open();
        WaitUntil([&] { return !ReadIni("Update", "LastUpdateDate").empty(); });
        EXPECT_EQ(ReadIni("Update", "LastUpdateDate"), qv::FormatUpdateTime(env.clock()));
        EXPECT_FALSE(HasEvent("start:"));
        dlg->OnCommand(CConverterDlg::ID_CHECK_UPDATE);
        EXPECT_TRUE(HasEvent("start:"));
    }
}

TEST_F(MainWindowTest, TheHelpMenuListsItsEntriesAndEachReachesItsTarget) {
    auto dlg = Open();
    modal.menuAnswer = 0;
    dlg->OnCommand(CConverterDlg::IDC_HELP);
    ASSERT_EQ(modal.menus.size(), 1u);
    std::vector<int> ids;
    for (auto& [id, text] : modal.menus[0])
        ids.push_back(id);
    EXPECT_EQ(ids, (std::vector<int>{32778, 0, 32791, 0, 32781, 32786, 0, 32783}));

    const std::string folder = program.path() + "/";
    modal.menuAnswer = CConverterDlg::ID_HELP_FILE;
    dlg->OnCommand(CConverterDlg::IDC_HELP);
    EXPECT_TRUE(HasEvent("document:" + folder + "help.html"));
    modal.menuAnswer = CConverterDlg::ID_SUPPORT;
    dlg->OnCommand(CConverterDlg::IDC_HELP);
    EXPECT_TRUE(HasEvent("document:file://" + folder + "help.html#support"));
    modal.menuAnswer = CConverterDlg::ID_OPEN_LOG;
    dlg->OnCommand(CConverterDlg::IDC_HELP);
    EXPECT_TRUE(HasEvent("open:" + qv::LogFolder() + (qv::LogFolder().back() == '/' ? "" : "/")));
    modal.menuAnswer = CConverterDlg::ID_ABOUT;
    QString version;
    modal.dialogAnswer = [&](QDialog& d) {
        version = static_cast<QLabel*>(qv::FindControl(&d, 1048))->text();
        return QDialog::Accepted;
    };
    dlg->OnCommand(CConverterDlg::IDC_HELP);
    EXPECT_EQ(modal.dialogs.back(), "qv::CAboutDlg");
    EXPECT_TRUE(version.endsWith(QString::fromStdString(qv::FileVersionText())));
    // F1 opens the help file too.
    services.events.clear();
    dlg->show();
    QApplication::setActiveWindow(dlg.get());
    QTest::keyClick(dlg.get(), Qt::Key_F1);
    EXPECT_TRUE(HasEvent("document:" + folder + "help.html"));
}

TEST_F(MainWindowTest, ADesktopWithoutAViewerOrFileManagerIsSaidWithThePath) {
    auto dlg = Open();
    services.openAnswer = false;
    modal.menuAnswer = CConverterDlg::ID_HELP_FILE;
    dlg->OnCommand(CConverterDlg::IDC_HELP);
    dlg->OnCommand(CConverterDlg::IDC_OPEN_OUTPUT);
    ASSERT_EQ(services.boxes.size(), 2u);
    EXPECT_NE(services.boxes[0].text.find(program.path() + "/help.html"), std::string::npos);
    EXPECT_NE(services.boxes[1].text.find(qv::Text("MsgBox", "NoOpener")), std::string::npos);
}

TEST_F(MainWindowTest, CloseWritesEverySettingWithFlagsAsZeroOrOneAndLogsTheQuitLine) {
    WriteIni("[System]\nSkin=Midnight\nDefOutput=/o/\nSnapshotDir=/s/\nDefProfile=Nothing\n"
             "VideoDriver=5\nDVDAccess=3\n[General]\nMultiThread=yes\nProcessPriority=64\n"
             "[Video]\nFitWidth=7\nFitHeight=true\nExpandToVideoSize=0\nRoundTo16Pix=2\n"
             "[Osprel]\nRunOsprel=0\nMainTitle=9\n[Update]\nCheckUpdate=3\n[Other]\nKeep=me\n");
    const size_t quits = LogCount("Quit Converter.exe");
    auto dlg = Open();
    dlg->show();
    // The window system's close request does what the close button does.
    dlg->close();
    EXPECT_FALSE(dlg->isVisible());
    const std::pair<const char*, const char*> expected[] = {
        {"Skin", "Midnight"},       {"DefOutput", "/o/"},  {"SnapshotDir", "/s/"},
        {"VideoDriver", "5"},       {"DVDAccess", "3"},    {"MultiThread", "1"},
        {"ProcessPriority", "64"},  {"FitWidth", "1"},     {"FitHeight", "1"},
        {"ExpandToVideoSize", "0"}, {"RoundTo16Pix", "1"}, {"RunOsprel", "0"},
        {"MainTitle", "1"},         {"CheckUpdate", "3"}};
    for (auto& [key, value] : expected)
        EXPECT_EQ(ReadAnySection(key), value) << key;
    // A default profile that no longer exists gives the first profile.
    EXPECT_EQ(ReadIni("System", "DefProfile"), qv::FieldText(LoadProfileTable()->records[0].name));
    EXPECT_EQ(ReadIni("Other", "Keep"), "me");
    EXPECT_TRUE(WaitUntil([&] { return LogCount("Quit Converter.exe") == quits + 1; }));
}

TEST_F(MainWindowTest, EscAndEnterNeverCloseTheWindowNorDoesTheOutputBox) {
    auto dlg = Open();
    dlg->show();
    auto* edit = static_cast<QLineEdit*>(dlg->Control(1011));
    for (QWidget* target : {static_cast<QWidget*>(dlg.get()), static_cast<QWidget*>(edit)})
        for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter})
            QTest::keyClick(target, key);
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(dlg->result(), 0);
}

// Without a window manager the focus goes to the root window when a modal
// dialog closes; the window must take the keyboard back by itself.
TEST_F(MainWindowTest, AClosedModalDialogHandsTheKeyboardBackToTheWindow) {
    auto dlg = Open();
    dlg->show();
    QWidget other; // where the window system left the focus
    other.show();
    other.activateWindow();
    ASSERT_TRUE(WaitUntil([&] { return QApplication::activeWindow() == &other; }));
    QEvent unblocked(QEvent::WindowUnblocked);
    QApplication::sendEvent(dlg.get(), &unblocked);
    EXPECT_TRUE(WaitUntil([&] { return QApplication::activeWindow() == dlg.get(); }));
}

TEST_F(MainWindowTest, RestoringTheWindowBringsTheRunningBatchBack) {
    auto dlg = Open();
    dlg->show();
    QWidget batch;
    dlg->SetRunningBatch(&batch);
    dlg->MinimizeMain();
    batch.hide();
    dlg->setWindowState(Qt::WindowNoState);
    EXPECT_TRUE(batch.isVisible());
    dlg->SetRunningBatch(nullptr);
}

TEST_F(MainWindowTest, SwitchingTheSkinChangesTheButtonsPicturesAndPlaces) {
    MakeMovedSkin("Moved", 1017, 600, 400);
    auto dlg = Open();
    auto* start = static_cast<qv::CBmpButton*>(dlg->Control(1017));
    const QImage before = start->Image().Image();
    const QImage backgroundBefore = Surface(*dlg);
    modal.dialogAnswer = [](QDialog& d) {
        auto& options = static_cast<qv::COptionDlg&>(d);
        options.Box(qv::COptionDlg::IDC_SKIN)->setCurrentText("Moved");
        options.Box(qv::COptionDlg::IDC_UPDATE)->setCurrentIndex(2);
        options.accept();
        return QDialog::Accepted;
    };
    dlg->OnCommand(CConverterDlg::IDC_SKIN_OPTIONS);
    EXPECT_EQ(start->pos(), QPoint(600, 400));
    EXPECT_NE(start->Image().Image(), before);
    EXPECT_NE(Surface(*dlg), backgroundBefore);
    // The lists keep the window's places.
    EXPECT_EQ(dlg->Control(1006)->geometry(), QRect(50, 111, 470, 265));
    dlg->OnCommand(CConverterDlg::IDC_CLOSE);
    EXPECT_EQ(ReadIni("System", "Skin"), "Moved");
    EXPECT_EQ(ReadAnySection("CheckUpdate"), "2");
}

TEST_F(MainWindowTest, OptionsStoreTheEightValuesAndTheSnapshotFolderReachesThePlayer) {
    KeepPlayer();
    auto dlg = Open();
    std::string snapshots = home / "snap/here/";
    modal.dialogAnswer = [&snapshots](QDialog& d) {
        auto* multi = qv::FindControl(&d, qv::COptionsPgGeneral::IDC_SINGLE);
        static_cast<QAbstractButton*>(multi)->setChecked(true);
        static_cast<QLineEdit*>(qv::FindControl(&d, qv::COptionsPgGeneral::IDC_SNAPSHOT))
            ->setText(QString::fromStdString(snapshots));
        // A page is read when it is left or when OK is pressed on it.
        d.findChild<QTabWidget*>()->setCurrentIndex(1);
        static_cast<QAbstractButton*>(qv::FindControl(&d, qv::COptionsPgVideo::IDC_GL2))->click();
        static_cast<QDialog&>(d).accept();
        return d.result();
    };
    dlg->OnCommand(CConverterDlg::IDC_OPTIONS);
    ASSERT_NE(player, nullptr);
    // The missing folder is made: the player runs in it.
    EXPECT_EQ(player->workingDirectory, snapshots);
    EXPECT_TRUE(qv::IsFolder(snapshots));
    EXPECT_TRUE(services.boxes.empty());

    // One that cannot be made leaves the folder as it was, and says so.
    Run("touch '" + home / "plain" + "'");
    snapshots = home / "plain/snap/";
    dlg->OnCommand(CConverterDlg::IDC_OPTIONS);
    EXPECT_EQ(player->workingDirectory, home / "snap/here/");
    ASSERT_EQ(services.boxes.size(), 1u);
    EXPECT_NE(services.boxes[0].text.find(snapshots), std::string::npos);
    EXPECT_NE(services.boxes[0].text.find(home / "snap/here/"), std::string::npos);

    dlg->OnCommand(CConverterDlg::IDC_CLOSE);
    EXPECT_EQ(ReadAnySection("MultiThread"), "0");
    EXPECT_EQ(ReadAnySection("SnapshotDir"), home / "snap/here/");
    EXPECT_EQ(ReadAnySection("VideoDriver"), "5");
}

TEST_F(MainWindowTest, AMissingSnapshotFolderIsMadeAtStartOrTheDefaultIsUsedAndSaid) {
    KeepPlayer();
    const std::string missing = home / "pictures/snaps/";
    WriteIni("[System]\nSnapshotDir=" + missing + "\n");
    auto dlg = Open();
    RunEventsFor(50);
    EXPECT_TRUE(qv::IsFolder(missing));
    EXPECT_EQ(player->workingDirectory, missing);
    EXPECT_TRUE(services.boxes.empty());
    dlg.reset();

    Run("touch '" + home / "plain" + "'");
    const std::string unusable = home / "plain/snaps/";
    WriteIni("[System]\nSnapshotDir=" + unusable + "\n");
    dlg = Open();
    EXPECT_TRUE(WaitUntil([&] { return !services.boxes.empty(); }));
    const std::string fallback = qv::DefaultSnapshotFolder(home / "docs");
    EXPECT_EQ(player->workingDirectory, fallback);
    EXPECT_TRUE(qv::IsFolder(fallback));
    ASSERT_EQ(services.boxes.size(), 1u);
    EXPECT_NE(services.boxes[0].text.find(unusable), std::string::npos);
    EXPECT_NE(services.boxes[0].text.find(fallback), std::string::npos);
}

TEST_F(MainWindowTest, AReadOnlySettingsFileIsLeftAsItIsAndTheLogSaysSoOnce) {
    WriteIni("[System]\nSkin=Midnight\n");
    Run("chmod 0444 '" + env.settingsFile + "'");
    auto dlg = Open();
    dlg->OnCommand(CConverterDlg::IDC_CLOSE);
    dlg.reset();
    EXPECT_EQ(ReadFile(env.settingsFile), "[System]\nSkin=Midnight\n");
    const std::string line = "The settings could not be saved to " + env.settingsFile;
    EXPECT_TRUE(LogHas(line));
    EXPECT_EQ(LogCount(line), 1u);
}

TEST_F(MainWindowTest, ASkinThatCannotLoadGivesWayToTheDefaultSaidOnceAndTheSkinButtonShows) {
    // A picture missing, and the skin button hidden by the description.
    const std::string broken = program / "Skins/Broken";
    Run("cp -rL '" + ProgramDir() + "Skins/Default' '" + broken + "' && rm '" + broken +
        "/btn1017.bmp'");
    const std::string hidden = program / "Skins/Hidden";
    Run("cp -rL '" + ProgramDir() + "Skins/Default' '" + hidden + "'");
    Run("perl -0pi -e 's#(<BmpButtonID>1005</BmpButtonID>.*?)<ButtonShowHide>0#"
        "$1<ButtonShowHide>1#s' '" +
        hidden +
        "/SkinSetting.xml' && grep -q "
        "'<ButtonShowHide>1' '" +
        hidden + "/SkinSetting.xml'");
    WriteIni("[System]\nSkin=Broken\n");
    auto dlg = Open();
    ASSERT_TRUE(WaitUntil([&] { return !services.boxes.empty(); }));
    RunEventsFor(50);
    ASSERT_EQ(services.boxes.size(), 1u);
    EXPECT_NE(services.boxes[0].text.find("Broken"), std::string::npos);
    EXPECT_FALSE(static_cast<qv::CBmpButton*>(dlg->Control(1017))->Image().IsNull());
    EXPECT_TRUE(dlg->Control(CConverterDlg::IDC_SKIN_OPTIONS)->isVisibleTo(dlg.get()));
    dlg->OnCommand(CConverterDlg::IDC_CLOSE);
    EXPECT_EQ(ReadIni("System", "Skin"), "Default");
    dlg.reset();

    WriteIni("[System]\nSkin=Hidden\n");
    dlg = Open();
    RunEventsFor(50);
    EXPECT_EQ(services.boxes.size(), 1u);
    EXPECT_TRUE(dlg->Control(CConverterDlg::IDC_SKIN_OPTIONS)->isVisibleTo(dlg.get()));
}

TEST_F(MainWindowTest, EveryProfileChosenShowsItsOwnIconOnTheChoosersFace) {
    WriteIni("[System]\nDefOutput=" + home.path() + "/out/\n");
    auto dlg = Open();
    auto* combo = dlg->findChild<qv::CTreeComboBox*>();
    ASSERT_NE(combo, nullptr);
    QTreeWidget* tree = combo->Tree();
    int leaves = 0;
    for (int g = 0; g < tree->topLevelItemCount(); ++g) {
        for (int i = 0; i < tree->topLevelItem(g)->childCount(); ++i) {
            QTreeWidgetItem* item = tree->topLevelItem(g)->child(i);
            const QImage own = item->icon(0).pixmap(qv::CTreeComboBox::kCell).toImage();
            combo->SelectByText(item->text(0).toStdString());
            QImage face;
            for (const QLabel* label : combo->findChildren<QLabel*>())
                if (label->property("controlId").toInt() == qv::CTreeComboBox::IDC_ICON_FACE)
                    face = label->pixmap().toImage();
            ASSERT_FALSE(own.isNull()) << item->text(0).toStdString();
            EXPECT_EQ(face.convertToFormat(QImage::Format_ARGB32),
                      own.scaled(face.size()).convertToFormat(QImage::Format_ARGB32))
                << item->text(0).toStdString();
            ++leaves;
        }
    }
    EXPECT_GE(leaves, 30);
}
