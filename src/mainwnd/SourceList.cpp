// The source list: adding files and DVD titles, removing, clearing, ticking
// and trimming, and what a change of selection does.
#include "SourceList.h"

#include "ConverterDlg.h"
#include "WindowText.h"
#include "base/PathText.h"
#include "controls/ColumnTreeCtrl.h"
#include "dialogs/TrimSettingDlg.h"
#include "dvd/DvdScan.h"
#include "dvd/SelectDVDDlg.h"
#include "platform/ModalRunner.h"
#include "platform/UserServices.h"
#include "probe/MediaProbe.h"
#include "probe/ProbeQueue.h"
#include "services/Services.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFont>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QProgressDialog>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <thread>

namespace qv {

namespace {

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

// An item of the list: it shows the row of its record.
class SourceRowItem : public QTreeWidgetItem {
public:
    explicit SourceRowItem(CMediaRecord* record) : record(record) {}
    CMediaRecord* const record;
};

Qt::CheckState CheckStateOf(SourceListModel::Tick tick) {
    switch (tick) {
    case SourceListModel::Tick::On: return Qt::Checked;
    case SourceListModel::Tick::Partly: return Qt::PartiallyChecked;
    default: return Qt::Unchecked;
    }
}

} // namespace

std::vector<DroppedSource> ExpandDroppedPaths(const std::vector<std::string>& paths) {
    std::vector<DroppedSource> sources;
    for (const std::string& path : paths) {
        QDir dir(QString::fromStdString(path));
        if (!QFileInfo(dir.path()).isDir()) {
            sources.push_back({path});
            continue;
        }
        // The scan reads a folder named VIDEO_TS, or the VIDEO_TS folder in it.
        if (dir.dirName().compare("VIDEO_TS", Qt::CaseInsensitive) == 0 ||
            QFileInfo(dir.filePath("VIDEO_TS")).isDir()) {
            sources.push_back({path, true});
            continue;
        }
        for (const QFileInfo& entry :
             dir.entryInfoList(QDir::Files | QDir::Readable, QDir::Name | QDir::LocaleAware))
            sources.push_back({entry.absoluteFilePath().toStdString()});
    }
    return sources;
}

CMediaRecord* RecordOf(const QTreeWidgetItem* item) {
    auto* row = dynamic_cast<const SourceRowItem*>(item);
    return row ? row->record : nullptr;
}

QTreeWidgetItem* CConverterDlg::SelectedItem() const {
    return sourceList_->GetTreeCtrl()->currentItem();
}

CMediaRecord* CConverterDlg::SelectedRecord() const {
    return RecordOf(SelectedItem());
}

QTreeWidgetItem* CConverterDlg::ItemOf(const CMediaRecord* record) const {
    if (!record)
        return nullptr;
    for (QTreeWidgetItemIterator it(sourceList_->GetTreeCtrl()); *it; ++it)
        if (RecordOf(*it) == record)
            return *it;
    return nullptr;
}

void CConverterDlg::UpdateListVisibility() {
    sourceList_->setVisible(sourceList_->GetTreeCtrl()->topLevelItemCount() > 0);
}

void CConverterDlg::OnAddFiles() {
    if (adding_) // a file dialog over sources still being added: refused
        return;
    FileRequest request;
    request.filter = "All Files (*)";
    std::vector<std::string> chosen;
    if (Services().OpenFiles(request, &chosen))
        WhileAdding([&] { AddFilesInOrder(chosen); });
    UpdateListVisibility();
}

// Runs an adding of sources. While it runs (the many-file probe keeps the
// window live) Start and Close wait for it, Add is refused and drops queue;
// Close ends the adding at the file being probed. Queued drops are added
// next, then a Close or Start asked for meanwhile runs.
void CConverterDlg::WhileAdding(const std::function<void()>& add) {
    if (adding_)
        return;
    adding_ = true;
    add();
    while (!queuedDrops_.empty() && !closeWhenAdded_) {
        std::vector<std::string> next = std::move(queuedDrops_.front());
        queuedDrops_.erase(queuedDrops_.begin());
        AddDropped(next);
    }
    queuedDrops_.clear();
    adding_ = false;
    UpdateListVisibility();
    const bool close = closeWhenAdded_, start = startWhenAdded_;
    closeWhenAdded_ = startWhenAdded_ = false;
    if (close)
        OnClose();
    else if (start)
        OnStart();
}

bool CConverterDlg::AddingSources() const {
    return adding_;
}

// Adds what a drop brought; a drop that comes while sources are being added
// waits for them.
void CConverterDlg::AddDroppedPaths(const std::vector<std::string>& paths) {
    if (adding_) {
        queuedDrops_.push_back(paths);
        return;
    }
    WhileAdding([&] { AddDropped(paths); });
}

// Files go in runs through the probe; a DVD folder is scanned in its place.
void CConverterDlg::AddDropped(const std::vector<std::string>& paths) {
    std::vector<std::string> files;
    for (const DroppedSource& source : ExpandDroppedPaths(paths)) {
        if (closeWhenAdded_)
            return;
        if (!source.dvd) {
            files.push_back(source.path);
            continue;
        }
        AddFilesInOrder(files);
        files.clear();
        ScanDvd(DvdSource{false, source.path, {}});
    }
    if (!closeWhenAdded_)
        AddFilesInOrder(files);
}

bool CConverterDlg::AddFile(const std::string& path) {
    ProbeResult probe;
    if (!ProbeMediaFile(path, probe))
        return false;
    InsertFileItem(path, probe);
    return true;
}

// The item of a record's row at the end of the list, or of a disc's titles.
QTreeWidgetItem* CConverterDlg::AddRowItem(QTreeWidgetItem* parent, CMediaRecord* record) {
    auto* item = new SourceRowItem(record);
    sourceList_->SetItemText(item, sources_.ItemText(record));
    item->setCheckState(0, CheckStateOf(sources_.TickOf(record)));
    if (parent)
        parent->addChild(item);
    else
        sourceList_->GetTreeCtrl()->addTopLevelItem(item);
    ScheduleEstimates();
    return item;
}

// A ticked file row at the end of the list.
void CConverterDlg::InsertFileItem(const std::string& path, const ProbeResult& probe) {
    AddRowItem(nullptr, sources_.AddFile(path, probe));
}

// Many files are probed on worker threads, one per core, while the window
// stays live; items appear in the chosen order as their probes finish. A
// progress box with Cancel shows when it takes longer than a second; what
// was added before a cancel stays. Files that cannot be read are named in
// one message.
void CConverterDlg::AddFilesInOrder(const std::vector<std::string>& paths) {
    if (paths.empty())
        return;
    if (paths.size() == 1) {
        AddFile(paths.front());
        UpdateListVisibility();
        return;
    }
    ProbeQueue queue(paths);

    QProgressDialog progress(this);
    progress.setWindowModality(Qt::WindowModal);
    progress.setRange(0, static_cast<int>(paths.size()));
    progress.setMinimumDuration(1000);
    progress.setLabelText(QString::fromStdString(FileNameOf(paths.front())));
    std::vector<std::string> unreadable;
    QTreeWidget* tree = sourceList_->GetTreeCtrl();
    // The first item goes in as soon as it is read; the rest as chunks a few
    // times a second, each with one repaint of the list: repainting it on
    // every turn of this loop cost the interface thread over half of what
    // the probing costs.
    constexpr int kChunkMs = 100;
    QElapsedTimer sinceChunk;
    sinceChunk.start();
    size_t done = 0;
    std::vector<ProbeQueue::Result> ready;
    while (done < paths.size() && !progress.wasCanceled() && !closeWhenAdded_) {
        ready.clear();
        if (done == 0 || sinceChunk.elapsed() >= kChunkMs || queue.AllRead())
            queue.TakeReady(ready);
        if (!ready.empty()) {
            tree->setUpdatesEnabled(false);
            for (ProbeQueue::Result& result : ready) {
                const std::string& path = paths[done++];
                if (!result.ok) {
                    unreadable.push_back(FileNameOf(path));
                    continue;
                }
                InsertFileItem(path, result.probe);
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
            // Before the first item, woken as soon as it is read.
            if (done == 0)
                queue.WaitNext(5);
            else if (ready.empty())
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    queue.Cancel();
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
    if (adding_)
        return;
    CSelectDVDDlg select(settings_.RunOsprel != 0, settings_.MainTitle != 0, this);
    if (ExecDialog(select) != QDialog::Accepted)
        return;
    settings_.RunOsprel = select.navigationMode ? 1 : 0;
    settings_.MainTitle = select.mainTitleOnly ? 1 : 0;
    WhileAdding([&] {
        ScanDvd(DvdSource{select.driveMode, select.driveMode ? select.drive : select.folder,
                          select.volumeLabel});
    });
    UpdateListVisibility();
}

// A DVD title row's tooltip says why it is or is not the main feature; it
// stands in for the columns' own tooltips, also after a trim rewrites them.
constexpr int kTitleNoteRole = Qt::UserRole + 20;
constexpr int kExtraTipRole = Qt::UserRole + 21;
void ShowRowTip(QTreeWidgetItem* item, const QString& extra) {
    item->setData(0, kExtraTipRole, extra);
    const QString note = item->data(0, kTitleNoteRole).toString();
    const QString tip = note.isEmpty() || extra.isEmpty() ? note + extra : note + "\n" + extra;
    for (int c = 0; c < item->columnCount(); ++c)
        item->setToolTip(c, tip);
}
static void ShowTitleNote(QTreeWidgetItem* item) {
    ShowRowTip(item, item->data(0, kExtraTipRole).toString());
}
// The main feature's row shows in bold.
static void ShowDvdTitleRow(QTreeWidgetItem* item, const DvdTitleRow& row) {
    item->setData(0, kTitleNoteRole, QString::fromStdString(row.note));
    ShowTitleNote(item);
    for (int c = 0; row.mainFeature && c < item->columnCount(); ++c) {
        QFont font = item->font(c);
        font.setBold(true);
        item->setFont(c, font);
    }
}

// Scans a disc or DVD folder and adds it as a node with its titles, or says
// why it gave none.
void CConverterDlg::ScanDvd(const DvdSource& source) {
    PreparedScan scan = PrepareScan(source);
    auto block = std::make_shared<DvdInfoBlock>();
    std::memset(block.get(), 0, sizeof *block);
    CParseDVDDlg parse(block, scan, settings_.RunOsprel != 0, settings_.MainTitle != 0, this);
    ExecDialog(parse);
    DvdSources found = DvdSourcesOf(*block, scan, parse.Traits());
    const std::vector<DvdTitleRow>& rows = found.rows; // the titles go, their rows stay
    if (CMediaRecord* disc =
            sources_.AddDisc(found.name, std::move(found.disc), std::move(found.titles))) {
        const std::vector<CMediaRecord*> titles = sources_.Rows(disc);
        for (size_t i = 0; i < titles.size() && i < rows.size(); ++i)
            if (!rows[i].ticked)
                sources_.SetChecked(titles[i], false);
        QTreeWidgetItem* item = AddRowItem(nullptr, disc);
        for (size_t i = 0; i < titles.size(); ++i)
            ShowDvdTitleRow(AddRowItem(item, titles[i]), i < rows.size() ? rows[i] : DvdTitleRow{});
        item->setExpanded(true);
    } else if (!parse.StoppedByUser()) {
        const DvdDiagnosis why = DiagnoseDvdScan(scan, parse.Outcome(), 0);
        const std::string text = DvdProblemText(why, scan.sourcePath);
        LogF("No DVD title from [%s]: %s", scan.sourcePath.c_str(), text.c_str());
        Services().MessageBox(text, Text("MsgBox", "Info"),
                              why.problem == DvdProblem::NoLongTitle ? MsgIcon::Information
                                                                     : MsgIcon::Exclamation,
                              MsgButtons::Ok);
    }
    UpdateListVisibility();
}

void CConverterDlg::OnRemove() {
    if (QTreeWidgetItem* item = SelectedItem())
        RemoveItem(item);
    UpdateListVisibility();
}

// Removes an item's row with the rows below it; a DVD node left without
// titles goes too. The items go before their records.
void CConverterDlg::RemoveItem(QTreeWidgetItem* item) {
    const int before = sources_.Count();
    const CMediaRecord* record = RecordOf(item);
    std::vector<std::unique_ptr<CMediaRecord>> removed = sources_.Remove(record);
    if (removed.empty())
        return;
    preview_.Forget(removed);
    // The first record removed is the item's own, or its disc's.
    QTreeWidgetItem* gone = removed.front().get() == record ? item : item->parent();
    delete gone;
    // Nothing selected any more (a disc goes with its last title): nothing
    // is previewed and there are no tracks to choose.
    if (before < 2 || !RecordOf(SelectedItem())) {
        preview_.ShowNoSource();
        EmptyTrackLists();
    }
    ScheduleEstimates();
    update();
}

void CConverterDlg::ClearSources() {
    preview_.Stop();
    sourceList_->GetTreeCtrl()->clear();
    preview_.Forget(sources_.Clear());
    sourceList_->hide();
    EmptyTrackLists();
    preview_.ShowNoSource();
    ScheduleEstimates();
}

void CConverterDlg::OnSourceSelectionChanged(QTreeWidgetItem* current) {
    // The last item gone (a disc goes with its last title): nothing is
    // previewed and there are no tracks to choose.
    if (!current) {
        preview_.ShowNoSource();
        EmptyTrackLists();
        return;
    }
    const CMediaRecord* record = RecordOf(current);
    if (!record)
        return;
    preview_.Select(*record);
    FillTrackLists(record);
}

// A tick the user changed in the list: a disc's ticks its titles, a title's
// shows in its disc's box.
void CConverterDlg::OnItemCheckChanged(QTreeWidgetItem* item) {
    if (showingTicks_)
        return;
    sources_.SetChecked(RecordOf(item), item->checkState(0) == Qt::Checked);
    ShowTicks();
    ScheduleEstimates();
}

// Check all, Uncheck all: every row, and every item of the list with it.
void CConverterDlg::SetAllChecked(bool checked) {
    sources_.SetAllChecked(checked);
    ShowTicks();
    ScheduleEstimates();
}

// Every item's box as its row's tick.
void CConverterDlg::ShowTicks() {
    showingTicks_ = true;
    for (QTreeWidgetItemIterator it(sourceList_->GetTreeCtrl()); *it; ++it)
        (*it)->setCheckState(0, CheckStateOf(sources_.TickOf(RecordOf(*it))));
    showingTicks_ = false;
}

void CConverterDlg::OnSourceContextMenu(const QPoint& at) {
    QTreeWidget* tree = sourceList_->GetTreeCtrl();
    // The row the menu was opened on, found before it opens: once it has
    // closed the pointer rests on the chosen entry, rows away from that row.
    // The row is held by its record, which tells whether it is still there.
    const CMediaRecord* record = RecordOf(tree->itemAt(at));
    QMenu menu(this);
    FillMenu(menu, kContextMenu);
    const int command = ExecMenu(menu, tree->viewport()->mapToGlobal(at));
    QTreeWidgetItem* under = sources_.Contains(record) ? ItemOf(record) : nullptr;
    switch (command) {
    case ID_MENU_ADD_VIDEO: OnAddFiles(); break;
    case ID_MENU_ADD_DVD: OnAddDvd(); break;
    case ID_MENU_REMOVE:
        if (under)
            RemoveItem(under); // an emptied list stays shown
        break;
    case ID_MENU_CLEAR: ClearSources(); break;
    case ID_MENU_CHECK_ALL: SetAllChecked(true); break;
    case ID_MENU_UNCHECK_ALL: SetAllChecked(false); break;
    case ID_MENU_TRIM_START:
    case ID_MENU_TRIM_END:
        if (under)
            OnTrim(under);
        break;
    default: break;
    }
}

// The trim dialog edits a copy of the record; the row takes the new trim.
void CConverterDlg::OnTrim(QTreeWidgetItem* item) {
    const CMediaRecord* record = RecordOf(item);
    if (!record || record->kind == KindDvdDisc)
        return;
    CMediaRecord edited = *record;
    CTrimSettingDlg trim(edited, this);
    if (ExecDialog(trim) != QDialog::Accepted)
        return;
    if (sources_.SetTrim(record, edited.trimStart, edited.trimEnd)) {
        sourceList_->SetItemText(item, sources_.ItemText(record));
        ShowTitleNote(item);
        ScheduleEstimates();
    }
}

void CConverterDlg::OnSourceDoubleClick(QTreeWidgetItem*) {
    OnPlay();
}

} // namespace qv
