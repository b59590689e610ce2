#include "SourceListModel.h"

#include "base/PathText.h"
#include "engine/JobModel.h"
#include "probe/MediaProbe.h"
#include "queue/ConvertingDlg.h"

#include <algorithm>

namespace qv {

struct SourceListModel::Row {
    std::unique_ptr<CMediaRecord> record;
    std::string name;
    bool checked = true;
    Row* parent = nullptr;
    std::vector<std::unique_ptr<Row>> children;
};

namespace {

// Moves the records of a row and of the rows below it to the end of `out`.
template <typename RowT>
void TakeRecords(RowT& row, std::vector<std::unique_ptr<CMediaRecord>>& out) {
    out.push_back(std::move(row.record));
    for (auto& child : row.children)
        TakeRecords(*child, out);
}

template <typename RowT> SourceItem ToSourceItem(const RowT& row) {
    SourceItem item;
    item.record = row.record.get();
    item.checked = row.checked;
    for (const auto& child : row.children)
        item.children.push_back(ToSourceItem(*child));
    return item;
}

} // namespace

SourceListModel::SourceListModel() = default;
SourceListModel::~SourceListModel() = default;

SourceListModel::Row* SourceListModel::Find(const CMediaRecord* record) const {
    auto found = index_.find(record);
    return found == index_.end() ? nullptr : found->second;
}

CMediaRecord* SourceListModel::Append(Row* parent, std::unique_ptr<CMediaRecord> record,
                                      std::string name) {
    auto row = std::make_unique<Row>();
    row->record = std::move(record);
    row->name = std::move(name);
    row->parent = parent;
    CMediaRecord* added = row->record.get();
    index_[added] = row.get();
    (parent ? parent->children : rows_).push_back(std::move(row));
    return added;
}

void SourceListModel::Unindex(const Row& row) {
    index_.erase(row.record.get());
    for (const auto& child : row.children)
        Unindex(*child);
}

CMediaRecord* SourceListModel::AddFile(const std::string& path, const ProbeResult& probe) {
    auto record = std::make_unique<CMediaRecord>();
    FillFileRecord(*record, path, probe);
    return Append(nullptr, std::move(record), FileNameOf(path));
}

CMediaRecord* SourceListModel::AddDisc(const std::string& name, std::unique_ptr<CMediaRecord> disc,
                                       std::vector<std::unique_ptr<CMediaRecord>> titles) {
    if (!disc || titles.empty())
        return nullptr;
    CMediaRecord* added = Append(nullptr, std::move(disc), name);
    Row* row = Find(added);
    for (auto& title : titles) {
        if (!title)
            continue;
        std::string titleName = title->baseName;
        Append(row, std::move(title), std::move(titleName));
    }
    return added;
}

std::vector<std::unique_ptr<CMediaRecord>> SourceListModel::Remove(const CMediaRecord* record) {
    std::vector<std::unique_ptr<CMediaRecord>> removed;
    Row* row = Find(record);
    if (!row)
        return removed;
    Row* parent = row->parent;
    // A disc whose last title goes is removed whole, itself first.
    if (parent && parent->children.size() == 1) {
        row = parent;
        parent = nullptr;
    }
    auto& siblings = parent ? parent->children : rows_;
    auto at = std::find_if(siblings.begin(), siblings.end(),
                           [row](const std::unique_ptr<Row>& r) { return r.get() == row; });
    std::unique_ptr<Row> taken = std::move(*at);
    siblings.erase(at);
    Unindex(*taken);
    TakeRecords(*taken, removed);
    return removed;
}

std::vector<std::unique_ptr<CMediaRecord>> SourceListModel::Clear() {
    std::vector<std::unique_ptr<CMediaRecord>> removed;
    for (auto& row : rows_)
        TakeRecords(*row, removed);
    rows_.clear();
    index_.clear();
    return removed;
}

std::vector<CMediaRecord*> SourceListModel::Rows(const CMediaRecord* parent) const {
    std::vector<CMediaRecord*> records;
    const Row* row = parent ? Find(parent) : nullptr;
    if (parent && !row)
        return records;
    for (const auto& r : row ? row->children : rows_)
        records.push_back(r->record.get());
    return records;
}

bool SourceListModel::Contains(const CMediaRecord* record) const {
    return Find(record) != nullptr;
}

bool SourceListModel::Checked(const CMediaRecord* record) const {
    const Row* row = Find(record);
    return row && row->checked;
}

// A disc's tick is its titles': ticking it ticks them all, and it is ticked
// while any of them is.
void SourceListModel::SetChecked(const CMediaRecord* record, bool checked) {
    Row* row = Find(record);
    if (!row)
        return;
    row->checked = checked;
    for (auto& child : row->children)
        child->checked = checked;
    if (Row* disc = row->parent)
        disc->checked = std::any_of(disc->children.begin(), disc->children.end(),
                                    [](const std::unique_ptr<Row>& r) { return r->checked; });
}

SourceListModel::Tick SourceListModel::TickOf(const CMediaRecord* record) const {
    const Row* row = Find(record);
    if (!row || !row->checked)
        return Tick::Off;
    const bool all = std::all_of(row->children.begin(), row->children.end(),
                                 [](const std::unique_ptr<Row>& r) { return r->checked; });
    return all ? Tick::On : Tick::Partly;
}

void SourceListModel::SetAllChecked(bool checked) {
    for (auto& [record, row] : index_)
        row->checked = checked;
}

bool SourceListModel::SetTrim(const CMediaRecord* record, const std::string& start,
                              const std::string& end) {
    Row* row = Find(record);
    if (!row || row->record->kind == KindDvdDisc)
        return false;
    row->record->trimStart = start;
    row->record->trimEnd = end;
    return true;
}

void SourceListModel::ChooseAudioTrack(const CMediaRecord* record, int listIndex) {
    Row* row = Find(record);
    if (row && listIndex >= 0 && listIndex < static_cast<int>(row->record->audioTracks.size()))
        row->record->audioIndex = listIndex;
}

void SourceListModel::ChooseSubtitle(const CMediaRecord* record, int listIndex) {
    Row* row = Find(record);
    if (!row || listIndex < 0)
        return;
    CMediaRecord& r = *row->record;
    const int tracks = static_cast<int>(r.subtitleTracks.size());
    if (r.kind == KindFile) {
        // A file lists each subtitle twice: burnt in, then kept as a track.
        if (listIndex > 2 * tracks)
            return;
        r.subtitleIndex = listIndex == 0 ? -1 : (listIndex - 1) / 2;
        r.keepSubtitle = listIndex > 0 && (listIndex - 1) % 2 == 1 ? 1 : 0;
    } else if (listIndex <= tracks) {
        r.subtitleIndex = listIndex - 1;
    }
}

std::string SourceListModel::ItemText(const CMediaRecord* record) const {
    const Row* row = Find(record);
    if (!row)
        return {};
    const CMediaRecord& r = *row->record;
    // The tab ends a column: one inside a name shows as a blank.
    std::string name = row->name;
    std::replace(name.begin(), name.end(), '\t', ' ');
    if (r.kind == KindDvdDisc)
        return name + "\t";
    return name + "\t" + r.fullLength + "\t" + r.trimStart + "\t" + r.trimEnd + "\t";
}

std::vector<SourceItem> SourceListModel::SourceItems() const {
    std::vector<SourceItem> items;
    for (const auto& row : rows_)
        items.push_back(ToSourceItem(*row));
    return items;
}

} // namespace qv
