// The main window's source list, profile chooser, track lists and Start, on
// generated clips and a DVD folder, with the real probe and encoder.
#include "MainWindowFixture.h"

#include "base/PathText.h"
#include "controls/ColumnTreeCtrl.h"
#include "controls/TreeComboBox.h"
#include "dialogs/ProfileSettingDlg.h"
#include "dialogs/TrimSettingDlg.h"
#include "dvd/SelectDVDDlg.h"
#include "engine/JobModel.h"
#include "mainwnd/SourceList.h"
#include "mainwnd/WindowText.h"
#include "platform/WindowMessage.h"
#include "probe/MediaProbe.h"
#include "queue/ConvertingDlg.h"
#include "services/Services.h"

#include <QComboBox>
#include <QContextMenuEvent>
#include <QCursor>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>

#include <thread>

using namespace qvtest;
using qv::CConverterDlg;

namespace {

std::vector<std::string> TopTexts(CConverterDlg& dlg) {
    QTreeWidget* tree = Tree(dlg);
    std::vector<std::string> texts;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        texts.push_back(tree->topLevelItem(i)->text(0).toStdString());
    return texts;
}

} // namespace

class SourceListTest : public MainWindowTest {
protected:
    std::string media = MediaDir();
    std::unique_ptr<CConverterDlg> dlg;

    void SetUp() override {
        MainWindowTest::SetUp();
        dlg = Open();
    }
    // Adds the test DVD folder through the DVD dialogs, every title listed
    // (with the search, only titles of a minute or more).
    // mainOnly: 1 for the main title only, 0 for all, -1 as the settings say.
    void AddDvd(bool search = false, const std::string& folder = "dvd", int mainOnly = -1) {
        modal.dialogAnswer = [this, search, folder, mainOnly](QDialog& d) {
            if (auto* select = qobject_cast<qv::CSelectDVDDlg*>(&d)) {
                select->driveMode = false;
                select->folder = media + folder;
                select->navigationMode = search;
                if (mainOnly >= 0)
                    select->mainTitleOnly = mainOnly == 1;
                return int(QDialog::Accepted);
            }
            return d.exec(); // the scan ends by itself
        };
        dlg->OnCommand(CConverterDlg::IDC_ADD_DVD);
    }
    // Drops files on a control as a file manager does (paths as URLs and as
    // text); true when the control took the drag.
    static bool Drop(QWidget* target, const std::vector<std::string>& paths) {
        QMimeData data;
        QList<QUrl> urls;
        QString text;
        for (const std::string& path : paths) {
            urls.push_back(QUrl::fromLocalFile(QString::fromStdString(path)));
            text += urls.back().toString() + "\n";
        }
        data.setUrls(urls);
        data.setText(text);
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
        return enter.isAccepted() && drop.isAccepted();
    }
    // The trim dialog, when it opens, takes this start and OK.
    void AnswerTrimStart(const char* start) {
        modal.dialogAnswer = [start](QDialog& d) {
            auto* trim = qobject_cast<qv::CTrimSettingDlg*>(&d);
            if (!trim)
                return int(QDialog::Rejected);
            trim->Edit(qv::CTrimSettingDlg::IDC_START)->setText(start);
            trim->accept();
            return trim->result();
        };
    }
    void OpenContextMenuOn(QTreeWidgetItem* item, int command) {
        QTreeWidget* tree = Tree(*dlg);
        const QPoint at = tree->visualItemRect(item).center();
        QCursor::setPos(tree->viewport()->mapToGlobal(at));
        modal.menuAnswer = command;
        emit tree->customContextMenuRequested(at);
    }
};

TEST_F(SourceListTest, FilesAreAddedInOrderUnreadableOnesNamedOnceAndTheListShown) {
    services.filesAnswer = {media + "av.mp4", media + "notmedia.avi", media + "film.avi",
                            media + "empty.mp4"};
    dlg->OnCommand(CConverterDlg::IDC_ADD_VIDEO);
    EXPECT_EQ(TopTexts(*dlg), (std::vector<std::string>{"av.mp4", "film.avi"}));
    ASSERT_EQ(services.boxes.size(), 1u);
    EXPECT_NE(services.boxes[0].text.find("notmedia.avi"), std::string::npos);
    EXPECT_NE(services.boxes[0].text.find("empty.mp4"), std::string::npos);
    EXPECT_TRUE(dlg->Control(1006)->isVisibleTo(dlg.get()));

    QTreeWidgetItem* first = Tree(*dlg)->topLevelItem(0);
    EXPECT_EQ(first->checkState(0), Qt::Checked);
    const qv::CMediaRecord* r = qv::RecordOf(first);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->kind, qv::KindFile);
    EXPECT_EQ(r->sourcePath, media + "av.mp4");
    EXPECT_EQ(r->baseName, "av");
    EXPECT_EQ(r->trimStart, "00:00:00");
    EXPECT_EQ(r->trimEnd, r->fullLength);
    EXPECT_EQ(qv::CColumnTreeCtrl::ItemText(first),
              "av.mp4\t" + r->fullLength + "\t00:00:00\t" + r->fullLength + "\t");

    // Selecting shows the name and the length, and keeps the track lists off.
    Tree(*dlg)->setCurrentItem(first);
    EXPECT_EQ(static_cast<QLabel*>(dlg->Control(1066))->text(), "av.mp4");
    EXPECT_EQ(static_cast<QLabel*>(dlg->Control(1023))->text().toStdString(),
              "00:00:00/" + r->fullLength);
    EXPECT_FALSE(dlg->Control(1008)->isEnabled());
}

// Files probed on several workers land as one probe after another would
// put them: the chosen order, duplicates kept, each row with its own facts.
TEST_F(SourceListTest, ManyFilesProbedInParallelListAsTheSerialProbeWould) {
    std::vector<std::string> chosen;
    for (int round = 0; round < 8; ++round)
        for (const char* name : {"film.avi", "av.mp4", "wide.mkv", "sound.wav"})
            chosen.push_back(media + name);
    chosen.insert(chosen.begin() + 5, media + "notmedia.avi");
    chosen.push_back(media + "av.mp4");
    std::vector<std::string> expected;
    for (const std::string& path : chosen) {
        qv::ProbeResult probe;
        if (!qv::MediaInfoLibrary::Default().Read(path, probe))
            continue;
        qv::CMediaRecord record;
        qv::FillFileRecord(record, path, probe);
        expected.push_back(qv::FileNameOf(path) + "\t" + record.fullLength + "\t00:00:00\t" +
                           record.fullLength + "\t");
    }
    ASSERT_EQ(expected.size(), chosen.size() - 1);
    services.filesAnswer = chosen;
    dlg->OnCommand(CConverterDlg::IDC_ADD_VIDEO);
    std::vector<std::string> rows;
    for (int i = 0; i < Tree(*dlg)->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = Tree(*dlg)->topLevelItem(i);
        rows.push_back(qv::CColumnTreeCtrl::ItemText(item));
        EXPECT_EQ(qv::RecordOf(item)->sourcePath, chosen[i < 5 ? i : i + 1]) << i;
    }
    EXPECT_EQ(rows, expected);
    ASSERT_EQ(services.boxes.size(), 1u);
    EXPECT_NE(services.boxes[0].text.find("notmedia.avi"), std::string::npos);
}

TEST_F(SourceListTest, AFilePostedFromAnotherThreadIsAddedButAHiddenListStaysHidden) {
    std::thread poster([&] { EXPECT_EQ(qv::PostAddFile(dlg.get(), media + "av.mp4"), 0); });
    poster.join();
    ASSERT_TRUE(WaitUntil([&] { return Tree(*dlg)->topLevelItemCount() == 1; }));
    EXPECT_FALSE(dlg->Control(1006)->isVisibleTo(dlg.get()));
}

TEST_F(SourceListTest, ADropAddsFilesInTheirOrderAndAFoldersFilesByNameOnceItHasReturned) {
    Run("mkdir -p '" + home / "drop" + "' && cp '" + media + "film.avi' '" + home / "drop/b.avi" +
        "' && cp '" + media + "av.mp4' '" + home / "drop/a.mp4" + "'");
    Drop(dlg.get(), {media + "film.avi", home / "drop", media + "av.mp4"});
    // The drop has returned to the file manager before anything was probed.
    EXPECT_EQ(Tree(*dlg)->topLevelItemCount(), 0);
    ASSERT_TRUE(WaitUntil([&] { return Tree(*dlg)->topLevelItemCount() == 4; }));
    EXPECT_EQ(TopTexts(*dlg), (std::vector<std::string>{"film.avi", "a.mp4", "b.avi", "av.mp4"}));
    EXPECT_TRUE(dlg->Control(1006)->isVisibleTo(dlg.get()));
}

TEST_F(SourceListTest, FilesDroppedOnTheOutputBoxOrTheListAreSourcesNotText) {
    auto* edit = static_cast<QLineEdit*>(dlg->Control(CConverterDlg::IDC_OUTPUT_FOLDER));
    const QString folder = edit->text();
    // File managers send the paths as text too; the box must not take it.
    EXPECT_TRUE(Drop(edit, {media + "av.mp4"}));
    EXPECT_TRUE(Drop(Tree(*dlg)->viewport(), {media + "film.avi"}));
    ASSERT_TRUE(WaitUntil([&] { return Tree(*dlg)->topLevelItemCount() == 2; }));
    EXPECT_EQ(TopTexts(*dlg), (std::vector<std::string>{"av.mp4", "film.avi"}));
    EXPECT_EQ(edit->text(), folder);
}

TEST_F(SourceListTest, ADroppedVideoTsFolderOrAFolderHoldingOneIsScannedAsADvd) {
    AddDvd(); // the DVD dialog's choices (no title search) hold for a drop too
    auto* edit = static_cast<QLineEdit*>(dlg->Control(CConverterDlg::IDC_OUTPUT_FOLDER));
    Drop(dlg.get(), {media + "dvd", media + "av.mp4"});
    Drop(edit, {media + "dvd/VIDEO_TS"});
    ASSERT_TRUE(
        WaitUntil([&] { return Tree(*dlg)->topLevelItemCount() == 4 && !dlg->AddingSources(); }));
    for (int row : {1, 3}) {
        QTreeWidgetItem* disc = Tree(*dlg)->topLevelItem(row);
        ASSERT_EQ(disc->childCount(), 2) << row;
        EXPECT_EQ(disc->child(0)->text(0), "Title_1");
        EXPECT_EQ(disc->child(1)->text(0), "Title_2");
    }
    EXPECT_EQ(Tree(*dlg)->topLevelItem(2)->text(0), "av.mp4");
    EXPECT_TRUE(services.boxes.empty());
}

// Many files keep the window live while they are probed; what comes then
// waits for them.
TEST_F(SourceListTest, WhileFilesAreAddedASecondDropAndStartWaitAndAddIsRefused) {
    auto* edit = static_cast<QLineEdit*>(dlg->Control(CConverterDlg::IDC_OUTPUT_FOLDER));
    edit->setText("/no/such/folder/"); // Start then says so: it shows when Start ran
    const std::vector<std::string> many(12, media + "av.mp4");
    Drop(dlg.get(), many);
    bool wasAdding = false;
    size_t boxesThen = 99;
    QTimer::singleShot(0, dlg.get(), [&] {
        wasAdding = dlg->AddingSources();
        Drop(dlg.get(), {media + "film.avi"});
        services.filesAnswer = {media + "small.mp4"};
        dlg->OnCommand(CConverterDlg::IDC_ADD_VIDEO);
        dlg->OnCommand(CConverterDlg::IDC_START);
        boxesThen = services.boxes.size();
    });
    ASSERT_TRUE(WaitUntil([&] { return boxesThen != 99 && !dlg->AddingSources(); }));
    ASSERT_TRUE(wasAdding);
    EXPECT_EQ(boxesThen, 0u);
    std::vector<std::string> expected(12, "av.mp4");
    expected.push_back("film.avi");
    EXPECT_EQ(TopTexts(*dlg), expected);
    ASSERT_EQ(services.boxes.size(), 1u);
    EXPECT_EQ(services.boxes[0].text, qv::Text("MsgBox", "DirNotExist"));
}

TEST_F(SourceListTest, CloseWhileFilesAreAddedStopsTheAddingAndThenCloses) {
    Drop(dlg.get(), std::vector<std::string>(40, media + "av.mp4"));
    bool wasAdding = false, doneThen = true;
    QTimer::singleShot(0, dlg.get(), [&] {
        wasAdding = dlg->AddingSources();
        dlg->OnCommand(CConverterDlg::IDC_CLOSE);
        doneThen = dlg->result() == QDialog::Accepted;
    });
    ASSERT_TRUE(WaitUntil([&] { return dlg->result() == QDialog::Accepted; }));
    ASSERT_TRUE(wasAdding);
    EXPECT_FALSE(doneThen);
    EXPECT_FALSE(dlg->AddingSources());
    EXPECT_LT(Tree(*dlg)->topLevelItemCount(), 40);
}

TEST_F(SourceListTest, ADvdBecomesANodeWithCheckedTitlesAndItsTracksFillTheLists) {
    AddDvd();
    ASSERT_EQ(Tree(*dlg)->topLevelItemCount(), 1);
    QTreeWidgetItem* disc = Tree(*dlg)->topLevelItem(0);
    EXPECT_TRUE(disc->isExpanded());
    ASSERT_EQ(disc->childCount(), 2);
    EXPECT_EQ(disc->child(0)->text(0), "Title_1");
    EXPECT_EQ(disc->child(1)->text(0), "Title_2");
    EXPECT_TRUE(dlg->Control(1006)->isVisibleTo(dlg.get()));

    // Title 1 has two audio streams: the lists fill, are enabled and store
    // what is chosen; "none" is the first subtitle and stores -1.
    Tree(*dlg)->setCurrentItem(disc->child(0));
    auto* audio = static_cast<QComboBox*>(dlg->Control(1008));
    auto* subtitles = static_cast<QComboBox*>(dlg->Control(1007));
    EXPECT_TRUE(audio->isEnabled());
    EXPECT_EQ(audio->count(), 2);
    EXPECT_EQ(audio->currentIndex(), 0);
    EXPECT_EQ(subtitles->itemText(0), "None"); // the language file's "无"
    emit audio->activated(1);
    EXPECT_EQ(qv::RecordOf(disc->child(0))->audioIndex, 1);
    emit subtitles->activated(0);
    EXPECT_EQ(qv::RecordOf(disc->child(0))->subtitleIndex, -1);
    EXPECT_EQ(static_cast<QLabel*>(dlg->Control(1066))->text().toStdString(),
              qv::RecordOf(disc->child(0))->sourcePath + "//1");

    // The node selected: the lists go off.
    Tree(*dlg)->setCurrentItem(disc);
    EXPECT_FALSE(audio->isEnabled());
}

TEST_F(SourceListTest, TheMainFeatureIsTickedInBoldWithItsReasonAndTheDecoysStayToTick) {
    AddDvd(true, "dvddecoy", 1);
    ASSERT_EQ(Tree(*dlg)->topLevelItemCount(), 1);
    QTreeWidgetItem* disc = Tree(*dlg)->topLevelItem(0);
    ASSERT_EQ(disc->childCount(), 4);
    auto tip = [&](int row, int column = 0) {
        return disc->child(row)->toolTip(column).toStdString();
    };
    for (int row = 0; row < 4; ++row) {
        const bool main = row == 2; // title 3
        EXPECT_EQ(disc->child(row)->checkState(0), main ? Qt::Checked : Qt::Unchecked) << row;
        EXPECT_EQ(disc->child(row)->font(0).bold(), main) << row;
        EXPECT_EQ(tip(row, 1), tip(row)); // the whole row says it
        EXPECT_EQ(tip(row).rfind(qv::Text("DvdTitle", "MainFeature"), 0) == 0, main) << tip(row);
    }
    EXPECT_EQ(disc->checkState(0), Qt::PartiallyChecked);
    EXPECT_EQ(tip(2), "Main feature\nLength 00:01:01\nCells play in order\n"
                      "Shares 4 of 4 cells with other titles");
    EXPECT_EQ(tip(0), "Length 00:02:02\nCells play out of order (jumping back and forth)\n"
                      "Shares 8 of 8 cells with other titles\nFirst play starts here");

    // A decoy can be ticked by hand; the tooltip stays after a trim rewrites the row.
    disc->child(0)->setCheckState(0, Qt::Checked);
    EXPECT_EQ(disc->child(0)->checkState(0), Qt::Checked);
    EXPECT_EQ(disc->checkState(0), Qt::PartiallyChecked);
    const std::string before = tip(2);
    AnswerTrimStart("00:00:01");
    Tree(*dlg)->setCurrentItem(disc->child(2));
    OpenContextMenuOn(disc->child(2), qv::ID_MENU_TRIM_START);
    EXPECT_EQ(disc->child(2)->text(2), "00:00:01");
    EXPECT_EQ(tip(2, 2), before);

    // Every title listed: all ticked, the main feature still marked.
    AddDvd(true, "dvddecoy", 0);
    QTreeWidgetItem* all = Tree(*dlg)->topLevelItem(1);
    ASSERT_EQ(all->childCount(), 4);
    for (int row = 0; row < 4; ++row)
        EXPECT_EQ(all->child(row)->checkState(0), Qt::Checked) << row;
    EXPECT_TRUE(all->child(2)->font(0).bold());
    EXPECT_EQ(all->child(2)->toolTip(0).toStdString(), before);
}

TEST_F(SourceListTest, TwoAudioTracksWithOneLabelShowTheFirstWhileTheIndexStays) {
    AddDvd();
    QTreeWidgetItem* item = Tree(*dlg)->topLevelItem(0)->child(0);
    qv::CMediaRecord* record = qv::RecordOf(item);
    record->audioTracks = {qv::TrackEntry::Make("ac3 en", 128),
                           qv::TrackEntry::Make("ac3 en", 129)};
    record->audioIndex = 1;
    Tree(*dlg)->setCurrentItem(item);
    EXPECT_EQ(static_cast<QComboBox*>(dlg->Control(1008))->currentIndex(), 0);
    EXPECT_EQ(qv::RecordOf(item)->audioIndex, 1);
}

TEST_F(SourceListTest, ADiscWithoutATitleToConvertAddsNoEmptyNodeAndSaysSo) {
    AddDvd(true); // its titles last seconds: the search keeps none
    EXPECT_EQ(Tree(*dlg)->topLevelItemCount(), 0);
    EXPECT_FALSE(dlg->Control(1006)->isVisibleTo(dlg.get()));
    ASSERT_EQ(services.boxes.size(), 1u);
    EXPECT_EQ(services.boxes[0].text, qv::Text("MsgBox", "NoDvdTitle"));
}

TEST_F(SourceListTest, RemovingTheOnlyTitleTakesItsNodeAndTheNodeTakesEveryTitle) {
    services.filesAnswer = {media + "av.mp4"};
    dlg->OnCommand(CConverterDlg::IDC_ADD_VIDEO);
    AddDvd();
    AddDvd();
    ASSERT_EQ(Tree(*dlg)->topLevelItemCount(), 3);
    // The first DVD: its two titles one after the other.
    QTreeWidgetItem* disc = Tree(*dlg)->topLevelItem(1);
    Tree(*dlg)->setCurrentItem(disc->child(0));
    dlg->OnCommand(CConverterDlg::IDC_REMOVE);
    ASSERT_EQ(disc->childCount(), 1);
    Tree(*dlg)->setCurrentItem(disc->child(0));
    dlg->OnCommand(CConverterDlg::IDC_REMOVE);
    EXPECT_EQ(Tree(*dlg)->topLevelItemCount(), 2);
    // The second DVD: the node with both titles at once.
    Tree(*dlg)->setCurrentItem(Tree(*dlg)->topLevelItem(1));
    dlg->OnCommand(CConverterDlg::IDC_REMOVE);
    EXPECT_EQ(TopTexts(*dlg), (std::vector<std::string>{"av.mp4"}));
    // The Delete key removes too; the emptied list hides.
    Tree(*dlg)->setCurrentItem(Tree(*dlg)->topLevelItem(0));
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QApplication::sendEvent(Tree(*dlg), &del);
    EXPECT_EQ(Tree(*dlg)->topLevelItemCount(), 0);
    EXPECT_FALSE(dlg->Control(1006)->isVisibleTo(dlg.get()));
}

TEST_F(SourceListTest, TheContextMenuHasItsEntriesRemovesUnderTheCursorAndKeepsAnEmptyListShown) {
    services.filesAnswer = {media + "av.mp4"};
    dlg->OnCommand(CConverterDlg::IDC_ADD_VIDEO);
    dlg->show();
    OpenContextMenuOn(Tree(*dlg)->topLevelItem(0), qv::ID_MENU_UNCHECK_ALL);
    std::vector<int> ids;
    for (auto& [id, text] : modal.menus.at(0))
        ids.push_back(id);
    EXPECT_EQ(ids,
              (std::vector<int>{32776, 32777, 0, 32772, 32773, 0, 32788, 32789, 0, 32774, 32775}));
    EXPECT_EQ(Tree(*dlg)->topLevelItem(0)->checkState(0), Qt::Unchecked);
    OpenContextMenuOn(Tree(*dlg)->topLevelItem(0), qv::ID_MENU_REMOVE);
    EXPECT_EQ(Tree(*dlg)->topLevelItemCount(), 0);
    EXPECT_TRUE(dlg->Control(1006)->isVisible());
}

TEST_F(SourceListTest, ProfilesAreGroupedInTableOrderAndChoosingAgainRestoresTheTable) {
    const auto loaded = LoadProfileTable();
    const qv::ProfileTable& table = *loaded;
    ASSERT_GT(table.count, 3);
    // A missing default profile: the first profile of the first group.
    EXPECT_EQ(CurrentProfileName(*dlg), qv::FieldText(table.records[0].name));
    QTreeWidget* tree = static_cast<qv::CTreeComboBox*>(dlg->Control(1018))->Tree();
    std::vector<std::string> groups, expected;
    for (int g = 0; g < tree->topLevelItemCount(); ++g)
        groups.push_back(tree->topLevelItem(g)->text(0).toStdString());
    for (int k = 0; k < table.count; ++k) {
        std::string category = qv::FieldText(table.records[k].category);
        if (std::find(expected.begin(), expected.end(), category) == expected.end())
            expected.push_back(category);
    }
    EXPECT_EQ(groups, expected);

    // Settings edits the copy; choosing the profile again gives the table's values.
    int chosen = 0;
    modal.dialogAnswer = [&](QDialog& d) {
        auto* box =
            static_cast<qv::CProfileSettingDlg&>(d).Box(qv::CProfileSettingDlg::IDC_VIDEO_BITRATE);
        for (int i = 0; i < box->count(); ++i)
            if (box->itemText(i).toInt() != table.records[0].videoBitRate) {
                box->setCurrentIndex(i);
                chosen = box->itemText(i).toInt();
            }
        d.accept();
        return d.result();
    };
    dlg->OnCommand(CConverterDlg::IDC_PROFILE_SETTINGS);
    ASSERT_NE(chosen, 0);
    EXPECT_EQ(CurrentProfile(*dlg)->videoBitRate, chosen);
    qv::WindowMessage chosenAgain(qv::WM_PROFILE_CHOSEN);
    QApplication::sendEvent(dlg.get(), &chosenAgain);
    EXPECT_EQ(CurrentProfile(*dlg)->videoBitRate, table.records[0].videoBitRate);
}

TEST_F(SourceListTest, TheDefaultProfileIsChosenAndAMissingIconListLeavesTheChooserEmpty) {
    dlg.reset();
    WriteIni("[System]\nDefProfile=MP3 - MPEG Audio Layer 3\n");
    dlg = Open();
    EXPECT_EQ(CurrentProfileName(*dlg), "MP3 - MPEG Audio Layer 3");
    dlg.reset();
    Run("rm '" + program / "Profiles" + "' && mkdir '" + program / "Profiles" + "' && cp '" +
        ProgramDir() + "Profiles/'*.xml '" + program / "Profiles/" + "'");
    services.boxes.clear();
    dlg = Open();
    ASSERT_EQ(services.boxes.size(), 1u);
    EXPECT_EQ(services.boxes[0].text, "初始化配置失败!");
    EXPECT_FALSE(CurrentProfile(*dlg));
    EXPECT_EQ(static_cast<qv::CTreeComboBox*>(dlg->Control(1018))->Tree()->topLevelItemCount(), 0);
    // The rest of the window works, and Start without a profile converts nothing.
    services.filesAnswer = {media + "av.mp4"};
    dlg->OnCommand(CConverterDlg::IDC_ADD_VIDEO);
    EXPECT_EQ(Tree(*dlg)->topLevelItemCount(), 1);
}

TEST_F(SourceListTest,
       StartConvertsTheTickedSourcesWithTheirTrimsAndReportsAMissingFolderOnlyThen) {
    auto* edit = static_cast<QLineEdit*>(dlg->Control(1011));
    // Nothing ticked: nothing happens, even with a missing folder.
    edit->setText("/no/such/folder/");
    dlg->OnCommand(CConverterDlg::IDC_START);
    EXPECT_TRUE(services.boxes.empty());
    services.filesAnswer = {media + "av.mp4", media + "film.avi", media + "small.mp4"};
    dlg->OnCommand(CConverterDlg::IDC_ADD_VIDEO);
    dlg->OnCommand(CConverterDlg::IDC_START);
    ASSERT_EQ(services.boxes.size(), 1u);
    EXPECT_EQ(services.boxes[0].text, qv::Text("MsgBox", "DirNotExist"));

    // A trim of the first and the third left out.
    qv::RecordOf(Tree(*dlg)->topLevelItem(0))->trimStart = "00:00:01";
    qv::RecordOf(Tree(*dlg)->topLevelItem(0))->trimEnd = "00:00:03";
    Tree(*dlg)->topLevelItem(2)->setCheckState(0, Qt::Unchecked);
    const std::string out = home / "out";
    Run("mkdir -p '" + out + "'");
    edit->setText(QString::fromStdString(out + "/"));
    services.boxes.clear();
    dlg->OnCommand(CConverterDlg::IDC_START);
    // The batch runs on after Start returns; its window goes when it has ended.
    ASSERT_TRUE(WaitUntil([&] { return qvtest::RunningBatchWindow() == nullptr; }, 120000));
    ASSERT_EQ(services.boxes.size(), 1u);
    EXPECT_EQ(services.boxes[0].text, qv::Text("MsgBox", "ConvertFinished"));
    const std::string ext = qv::FieldText(CurrentProfile(*dlg)->outputFormat);
    qv::ProbeResult first, second;
    ASSERT_TRUE(qv::MediaInfoLibrary::Default().Read(out + "/av." + ext, first));
    ASSERT_TRUE(qv::MediaInfoLibrary::Default().Read(out + "/film." + ext, second));
    EXPECT_EQ(first.lengthText, "00:00:02");
    EXPECT_FALSE(qvtest::FileExists(out + "/small." + ext));
    // The progress window is gone with its batch.
    EXPECT_TRUE(dlg->findChildren<qv::CConvertingDlg*>().empty());
}

TEST_F(SourceListTest, TheContextMenuActsOnTheRowItWasOpenedOnByMouseOrFromTheKeyboard) {
    std::vector<std::string> files;
    for (int i = 1; i <= 6; ++i) {
        files.push_back(home / ("c" + std::to_string(i) + ".mp4"));
        Run("cp '" + media + "av.mp4' '" + files.back() + "'");
    }
    services.filesAnswer = files;
    dlg->OnCommand(CConverterDlg::IDC_ADD_VIDEO);
    QTreeWidget* tree = Tree(*dlg);
    ASSERT_EQ(tree->topLevelItemCount(), 6);

    // A right-click on the first row; when the menu closes, the pointer rests
    // on the chosen entry, over a row further down.
    const QPoint first = tree->visualItemRect(tree->topLevelItem(0)).center();
    QCursor::setPos(
        tree->viewport()->mapToGlobal(tree->visualItemRect(tree->topLevelItem(4)).center()));
    modal.menuAnswer = qv::ID_MENU_REMOVE;
    emit tree->customContextMenuRequested(first);
    EXPECT_EQ(TopTexts(*dlg),
              (std::vector<std::string>{"c2.mp4", "c3.mp4", "c4.mp4", "c5.mp4", "c6.mp4"}));

    // The Menu key (the window system reports the pointer's place) and
    // Shift+F10 act on the selected row.
    tree->setCurrentItem(tree->topLevelItem(2));
    QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(2, 2),
                              tree->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(tree, &menuKey);
    EXPECT_EQ(modal.menus.size(), 2u);
    EXPECT_EQ(TopTexts(*dlg), (std::vector<std::string>{"c2.mp4", "c3.mp4", "c5.mp4", "c6.mp4"}));
    tree->setCurrentItem(tree->topLevelItem(0));
    QKeyEvent shiftF10(QEvent::KeyPress, Qt::Key_F10, Qt::ShiftModifier);
    QApplication::sendEvent(tree, &shiftF10);
    EXPECT_EQ(TopTexts(*dlg), (std::vector<std::string>{"c3.mp4", "c5.mp4", "c6.mp4"}));

    // The trim entries trim that row too.
    AnswerTrimStart("00:00:01");
    modal.menuAnswer = qv::ID_MENU_TRIM_START;
    tree->setCurrentItem(tree->topLevelItem(2));
    QCursor::setPos(tree->viewport()->mapToGlobal(first));
    emit tree->customContextMenuRequested(tree->visualItemRect(tree->topLevelItem(1)).center());
    EXPECT_EQ(tree->topLevelItem(1)->text(2), "00:00:01");
    EXPECT_EQ(tree->topLevelItem(0)->text(2), "00:00:00");
    EXPECT_EQ(tree->topLevelItem(2)->text(2), "00:00:00");
}

TEST_F(SourceListTest, RemovingTheLastSourceResetsTheCaptionTheTimeAndTheTrackLists) {
    const QString idle = QString::fromStdString(qv::TextOr("MainUI", "Preview", "预览"));
    auto* audio = static_cast<QComboBox*>(dlg->Control(1008));
    auto* subtitles = static_cast<QComboBox*>(dlg->Control(1007));
    AddDvd();
    QTreeWidgetItem* disc = Tree(*dlg)->topLevelItem(0);
    Tree(*dlg)->setCurrentItem(disc->child(0));
    dlg->OnCommand(CConverterDlg::IDC_REMOVE);
    Tree(*dlg)->setCurrentItem(disc->child(0));
    ASSERT_TRUE(audio->isEnabled());
    EXPECT_NE(static_cast<QLabel*>(dlg->Control(1066))->text(), idle);
    // The disc goes with its last title.
    dlg->OnCommand(CConverterDlg::IDC_REMOVE);
    EXPECT_EQ(Tree(*dlg)->topLevelItemCount(), 0);
    EXPECT_EQ(static_cast<QLabel*>(dlg->Control(1066))->text(), idle);
    EXPECT_EQ(static_cast<QLabel*>(dlg->Control(1023))->text(), "00:00:00/00:00:00");
    EXPECT_EQ(audio->count(), 0);
    EXPECT_EQ(subtitles->count(), 0);
    EXPECT_FALSE(audio->isEnabled());
    EXPECT_FALSE(subtitles->isEnabled());

    // Clear does the same.
    services.filesAnswer = {media + "av.mp4"};
    dlg->OnCommand(CConverterDlg::IDC_ADD_VIDEO);
    Tree(*dlg)->setCurrentItem(Tree(*dlg)->topLevelItem(0));
    modal.menuAnswer = qv::ID_MENU_CLEAR;
    emit Tree(*dlg)->customContextMenuRequested(QPoint(2, 2));
    EXPECT_EQ(static_cast<QLabel*>(dlg->Control(1066))->text(), idle);
    EXPECT_EQ(static_cast<QLabel*>(dlg->Control(1023))->text(), "00:00:00/00:00:00");
}

TEST_F(SourceListTest, ADiscsBoxTicksAllItsTitlesAndShowsWhenOnlySomeAreTicked) {
    AddDvd();
    QTreeWidgetItem* disc = Tree(*dlg)->topLevelItem(0);
    // As a click in the boxes sets them.
    disc->child(0)->setCheckState(0, Qt::Unchecked);
    EXPECT_EQ(disc->checkState(0), Qt::PartiallyChecked);
    disc->child(1)->setCheckState(0, Qt::Unchecked);
    EXPECT_EQ(disc->checkState(0), Qt::Unchecked);
    disc->setCheckState(0, Qt::Checked);
    EXPECT_EQ(disc->child(0)->checkState(0), Qt::Checked);
    EXPECT_EQ(disc->child(1)->checkState(0), Qt::Checked);
    disc->setCheckState(0, Qt::Unchecked);
    EXPECT_EQ(disc->child(0)->checkState(0), Qt::Unchecked);
    EXPECT_EQ(disc->child(1)->checkState(0), Qt::Unchecked);
    // Nothing ticked: Start starts nothing.
    dlg->OnCommand(CConverterDlg::IDC_START);
    EXPECT_EQ(RunningBatchWindow(), nullptr);
    modal.menuAnswer = qv::ID_MENU_CHECK_ALL;
    emit Tree(*dlg)->customContextMenuRequested(QPoint(2, 2));
    EXPECT_EQ(disc->checkState(0), Qt::Checked);
    EXPECT_EQ(disc->child(1)->checkState(0), Qt::Checked);
}

TEST_F(SourceListTest, ATabInAFileNameStaysInTheNameColumn) {
    const std::string tabbed = home / "a\tb.mp4";
    Run("cp '" + media + "av.mp4' '" + tabbed + "'");
    services.filesAnswer = {tabbed};
    dlg->OnCommand(CConverterDlg::IDC_ADD_VIDEO);
    QTreeWidgetItem* item = Tree(*dlg)->topLevelItem(0);
    ASSERT_NE(item, nullptr);
    const qv::CMediaRecord* r = qv::RecordOf(item);
    EXPECT_EQ(item->text(0), "a b.mp4");
    EXPECT_EQ(item->text(1).toStdString(), r->fullLength);
    EXPECT_EQ(item->text(2), "00:00:00");
    EXPECT_EQ(r->sourcePath, tabbed);
}
