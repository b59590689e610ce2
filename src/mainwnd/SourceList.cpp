// The source list: adding files and DVD titles, removing, clearing, ticking
// and trimming, and what a change of selection does.
#include "SourceList.h"

#include "ConverterDlg.h"
#include "Preview.h"
#include "WindowText.h"
#include "base/PathText.h"
#include "controls/ColumnTreeCtrl.h"
#include "dialogs/TrimSettingDlg.h"
#include "dvd/DvdScan.h"
#include "dvd/SelectDVDDlg.h"
#include "platform/ModalRunner.h"
#include "platform/UserServices.h"
#include "player/MPlayer.h"
#include "probe/MediaProbe.h"
#include "services/Services.h"

#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QProgressDialog>
#include <QTreeWidget>

#include <atomic>
#include <mutex>
#include <thread>

namespace qv {

namespace {

constexpr const char* kResetTime = "00:00:00/00:00:00";

// The context menu's entries in order; 0 is a separator.
constexpr MenuEntry kContextMenu[] = {
    {ID_MENU_ADD_VIDEO, "AddVideo", "添加视频"},
    {ID_MENU_ADD_DVD, "AddDvd", "添加 DVD"},
    {0, nullptr, nullptr},
    {ID_MENU_REMOVE, "Remove", "移除"},
    {ID_MENU_CLEAR, "Clear", "全部清除"},
    {0, nullptr, nullptr},
    {ID_MENU_CHECK_ALL, "CheckAll", "检查全部"},
    {ID_MENU_UNCHECK_ALL, "UncheckAll", "不全部不检查"},
    {0, nullptr, nullptr},
    {ID_MENU_TRIM_START, "StartTime", "开始时间"},
    {ID_MENU_TRIM_END, "EndTime", "结束时间"},
};

void SetChecks(QTreeWidget* tree, Qt::CheckState state) {
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem* top = tree->topLevelItem(i);
        for (int c = 0; c < top->childCount(); ++c)
            top->child(c)->setCheckState(0, state);
        top->setCheckState(0, state);
    }
}

SourceItem ToSourceItem(const QTreeWidgetItem* item) {
    SourceItem s;
    s.record = RecordOf(item);
    s.checked = item->checkState(0) == Qt::Checked;
    for (int c = 0; c < item->childCount(); ++c)
        s.children.push_back(ToSourceItem(item->child(c)));
    return s;
}

} // namespace

std::vector<std::string> ExpandDroppedPaths(const std::vector<std::string>& paths) {
    std::vector<std::string> files;
    for (const std::string& path : paths) {
        QDir dir(QString::fromStdString(path));
        if (!QFileInfo(dir.path()).isDir()) {
            files.push_back(path);
            continue;
        }
        for (const QFileInfo& entry :
             dir.entryInfoList(QDir::Files | QDir::Readable, QDir::Name | QDir::LocaleAware))
            files.push_back(entry.absoluteFilePath().toStdString());
    }
    return files;
}

CMediaRecord* RecordOf(const QTreeWidgetItem* item) {
    auto* source = dynamic_cast<const CSourceItem*>(item);
    return source ? source->Record() : nullptr;
}

int CountItems(const QTreeWidget* tree) {
    int count = 0;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        count += 1 + tree->topLevelItem(i)->childCount();
    return count;
}

std::vector<SourceItem> SourceItemsOf(const QTreeWidget* tree) {
    std::vector<SourceItem> items;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        items.push_back(ToSourceItem(tree->topLevelItem(i)));
    return items;
}

std::string PreviewCaptionOf(const CMediaRecord& record) {
    switch (record.kind) {
    case KindFile: return FileNameOf(record.sourcePath);
    case KindDvdTitle: return record.sourcePath + "//" + std::to_string(record.titleNumber);
    default: return record.sourcePath;
    }
}

QTreeWidgetItem* CConverterDlg::SelectedItem() const {
    return sourceList_->GetTreeCtrl()->currentItem();
}

CMediaRecord* CConverterDlg::SelectedRecord() const {
    return RecordOf(SelectedItem());
}

void CConverterDlg::UpdateListVisibility() {
    sourceList_->setVisible(sourceList_->GetTreeCtrl()->topLevelItemCount() > 0);
}

void CConverterDlg::OnAddFiles() {
    FileRequest request;
    request.filter = "All Files (*)";
    std::vector<std::string> chosen;
    if (Services().OpenFiles(request, &chosen))
        AddFilesInOrder(chosen);
    UpdateListVisibility();
}

bool CConverterDlg::AddFile(const std::string& path) {
    ProbeResult probe;
    if (!ProbeMediaFile(path, probe))
        return false;
    InsertFileItem(path, probe);
    return true;
}

// A ticked top-level item at the end of the list, with the file's record.
void CConverterDlg::InsertFileItem(const std::string& path, const ProbeResult& probe) {
    auto record = std::make_unique<CMediaRecord>();
    FillFileRecord(*record, path, probe);
    auto* item = new CSourceItem(std::move(record));
    sourceList_->GetTreeCtrl()->addTopLevelItem(item);
    const std::string& length = probe.lengthText;
    sourceList_->SetItemText(item,
                             FileNameOf(path) + "\t" + length + "\t00:00:00\t" + length + "\t");
    item->setCheckState(0, Qt::Checked);
}

// Many files are probed on a worker thread, in order, while the window stays
// live; items appear in the chosen order as their probes finish. A progress
// box with Cancel shows when it takes longer than a second; what was added
// before a cancel stays. Files that cannot be read are named in one message.
void CConverterDlg::AddFilesInOrder(const std::vector<std::string>& paths) {
    if (paths.empty())
        return;
    if (paths.size() == 1) {
        AddFile(paths.front());
        UpdateListVisibility();
        return;
    }
    struct Shared {
        std::mutex mutex;
        std::vector<std::pair<bool, ProbeResult>> results;
        std::atomic<bool> cancel{false};
    };
    auto shared = std::make_shared<Shared>();
    std::thread worker([shared, paths] {
        for (const std::string& path : paths) {
            if (shared->cancel)
                return;
            ProbeResult probe;
            bool ok = MediaInfoLibrary::Default().Read(path, probe);
            std::lock_guard lock(shared->mutex);
            shared->results.emplace_back(ok, std::move(probe));
        }
    });

    QProgressDialog progress(this);
    progress.setWindowModality(Qt::WindowModal);
    progress.setRange(0, static_cast<int>(paths.size()));
    progress.setMinimumDuration(1000);
    progress.setLabelText(QString::fromStdString(FileNameOf(paths.front())));
    std::vector<std::string> unreadable;
    QTreeWidget* tree = sourceList_->GetTreeCtrl();
    // Items go in as chunks a few times a second, each with one repaint of
    // the list: repainting it on every turn of this loop cost the interface
    // thread over half of what the probing costs the worker.
    constexpr int kChunkMs = 100;
    QElapsedTimer sinceChunk;
    sinceChunk.start();
    size_t done = 0;
    while (done < paths.size() && !progress.wasCanceled()) {
        std::vector<std::pair<bool, ProbeResult>> ready;
        {
            std::lock_guard lock(shared->mutex);
            if (sinceChunk.elapsed() >= kChunkMs || done + shared->results.size() == paths.size())
                ready.swap(shared->results);
        }
        if (!ready.empty()) {
            tree->setUpdatesEnabled(false);
            for (auto& [ok, probe] : ready) {
                const std::string& path = paths[done++];
                if (!ok) {
                    unreadable.push_back(FileNameOf(path));
                    continue;
                }
                InsertFileItem(path, probe);
            }
            tree->setUpdatesEnabled(true);
            UpdateListVisibility();
            sinceChunk.restart();
        }
        if (done < paths.size()) {
            if (!ready.empty()) {
                progress.setValue(static_cast<int>(done));
                progress.setLabelText(QString::fromStdString(FileNameOf(paths[done])));
            }
            QApplication::processEvents(QEventLoop::AllEvents, 20);
            if (ready.empty())
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    shared->cancel = true;
    worker.join();
    progress.reset();
    UpdateListVisibility();
    if (unreadable.size() == 1) {
        Services().MessageBox(unreadable.front() + "\n" + Text("MsgBox", "UnknownFormat"),
                              Text("MsgBox", "Info"), MsgIcon::Exclamation, MsgButtons::Ok);
    } else if (!unreadable.empty()) {
        std::string names;
        for (size_t i = 0; i < unreadable.size() && i < 20; ++i)
            names += unreadable[i] + "\n";
        if (unreadable.size() > 20)
            names += "… (" + std::to_string(unreadable.size()) + ")\n";
        Services().MessageBox(names + Text("MsgBox", "UnknownFormat"), Text("MsgBox", "Info"),
                              MsgIcon::Exclamation, MsgButtons::Ok);
    }
}

void CConverterDlg::OnAddDvd() {
    CSelectDVDDlg select(settings_.RunOsprel != 0, settings_.MainTitle != 0, this);
    if (ExecDialog(select) != QDialog::Accepted)
        return;
    settings_.RunOsprel = select.navigationMode ? 1 : 0;
    settings_.MainTitle = select.mainTitleOnly ? 1 : 0;
    DvdSource source{select.driveMode, select.driveMode ? select.drive : select.folder,
                     select.volumeLabel};
    PreparedScan scan = PrepareScan(source);
    auto block = std::make_shared<DvdInfoBlock>();
    std::memset(block.get(), 0, sizeof *block);
    CParseDVDDlg parse(block, scan, settings_.RunOsprel != 0, settings_.MainTitle != 0, this);
    ExecDialog(parse);
    if (CSourceItem* disc = AddDvdTitles(*sourceList_, *block, scan))
        disc->setExpanded(true);
    else if (!parse.StoppedByUser())
        Services().MessageBox(
            UiText("MsgBox", "NoDvdTitle", "此 DVD 上没有可转换的标题 (不列出短于一分钟的标题)."),
            Text("MsgBox", "Info"), MsgIcon::Information, MsgButtons::Ok);
    UpdateListVisibility();
}

void CConverterDlg::OnRemove() {
    if (QTreeWidgetItem* item = SelectedItem())
        RemoveItem(item);
    UpdateListVisibility();
}

// Removes an item with its children; a DVD node left without titles goes too.
void CConverterDlg::RemoveItem(QTreeWidgetItem* item) {
    QTreeWidget* tree = sourceList_->GetTreeCtrl();
    const int before = CountItems(tree);
    QTreeWidgetItem* parent = item->parent();
    bool playing = false;
    for (QTreeWidgetItem* i = playingItem_; i; i = i->parent())
        playing = playing || i == item;
    if (playing) {
        StopPlayerIfPlaying();
        playingItem_ = nullptr;
    }
    delete item;
    if (parent && parent->childCount() == 0) {
        if (parent == playingItem_)
            playingItem_ = nullptr;
        delete parent;
    }
    if (before < 2) {
        sourceLengthText_.clear();
        ShowPosition(0);
        previewCaption_->setText(QString::fromStdString(TextOr("MainUI", "Preview", "预览")));
    }
    update();
}

void CConverterDlg::ClearSources() {
    StopPlayerIfPlaying();
    playingItem_ = nullptr;
    sourceList_->GetTreeCtrl()->clear(); // the items take their records with them
    sourceList_->hide();
    subtitles_->clear();
    audioTracks_->clear();
    subtitles_->setEnabled(false);
    audioTracks_->setEnabled(false);
    previewCaption_->setText(QString::fromStdString(TextOr("MainUI", "Preview", "预览")));
    timeText_->setText(QString::fromUtf8(kResetTime));
}

void CConverterDlg::OnSourceSelectionChanged(QTreeWidgetItem* current) {
    const CMediaRecord* record = RecordOf(current);
    if (!record)
        return;
    sourceLengthText_ = record->fullLength;
    ShowPosition(0);
    StopPlayerIfPlaying();
    previewCaption_->setText(QString::fromStdString(PreviewCaptionOf(*record)));
    FillTrackLists(record);
}

void CConverterDlg::OnSourceContextMenu(const QPoint& at) {
    QTreeWidget* tree = sourceList_->GetTreeCtrl();
    QMenu menu(this);
    FillMenu(menu, kContextMenu);
    const int command = ExecMenu(menu, tree->viewport()->mapToGlobal(at));
    // The item under the cursor once the menu has closed.
    QTreeWidgetItem* under = tree->itemAt(tree->viewport()->mapFromGlobal(QCursor::pos()));
    if (!under)
        under = tree->itemAt(at);
    switch (command) {
    case ID_MENU_ADD_VIDEO: OnAddFiles(); break;
    case ID_MENU_ADD_DVD: OnAddDvd(); break;
    case ID_MENU_REMOVE:
        if (under)
            RemoveItem(under); // an emptied list stays shown
        break;
    case ID_MENU_CLEAR: ClearSources(); break;
    case ID_MENU_CHECK_ALL: SetChecks(tree, Qt::Checked); break;
    case ID_MENU_UNCHECK_ALL: SetChecks(tree, Qt::Unchecked); break;
    case ID_MENU_TRIM_START:
    case ID_MENU_TRIM_END:
        if (under)
            OnTrim(under);
        break;
    default: break;
    }
}

void CConverterDlg::OnTrim(QTreeWidgetItem* item) {
    CMediaRecord* record = RecordOf(item);
    if (!record || record->kind == KindDvdDisc)
        return;
    CTrimSettingDlg trim(*record, this);
    if (ExecDialog(trim) != QDialog::Accepted)
        return;
    sourceList_->SetItemColumnText(item, 2, record->trimStart);
    sourceList_->SetItemColumnText(item, 3, record->trimEnd);
}

void CConverterDlg::OnSourceDoubleClick(QTreeWidgetItem*) {
    OnPlay();
}

} // namespace qv
