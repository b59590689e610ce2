#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace qv {

class CMediaRecord;
struct ProbeResult;
struct SourceItem;

// The sources of the main window's list, in list order: media files at the
// top level, DVD discs at the top level with their titles below them. Each
// row owns its record, which is also the row's identity, and carries its
// name and its tick. The list widget is a view the window keeps in step.
class SourceListModel {
public:
    SourceListModel();
    ~SourceListModel();
    SourceListModel(const SourceListModel&) = delete;
    SourceListModel& operator=(const SourceListModel&) = delete;

    // A ticked, untrimmed file row at the end, named by the file.
    CMediaRecord* AddFile(const std::string& path, const ProbeResult& probe);
    // A ticked disc row at the end with one ticked row per title, in the
    // order given. Without titles nothing is added (a disc without titles
    // could neither play nor convert) and the result is null.
    CMediaRecord* AddDisc(const std::string& name, std::unique_ptr<CMediaRecord> disc,
                          std::vector<std::unique_ptr<CMediaRecord>> titles);
    // Removes a row with the rows below it, and a disc left without titles.
    // The removed records come back, the top-most first, so that whatever
    // still refers to them can let go before they are destroyed; nothing
    // comes back for a record that is not in the list.
    std::vector<std::unique_ptr<CMediaRecord>> Remove(const CMediaRecord* record);
    // Removes every row; the records come back as with Remove.
    std::vector<std::unique_ptr<CMediaRecord>> Clear();

    // The rows below a row, in order; the top-level rows for null.
    std::vector<CMediaRecord*> Rows(const CMediaRecord* parent = nullptr) const;
    bool Contains(const CMediaRecord* record) const;
    int Count() const { return static_cast<int>(index_.size()); } // rows of every level

    bool Checked(const CMediaRecord* record) const;
    // Ticks or unticks a row; a disc's titles go with it, and a disc is
    // ticked while any of its titles is.
    void SetChecked(const CMediaRecord* record, bool checked);
    // How a row's box shows: a disc with only some of its titles ticked is
    // partly ticked.
    enum class Tick { Off, Partly, On };
    Tick TickOf(const CMediaRecord* record) const;
    // Ticks or unticks every row.
    void SetAllChecked(bool checked);

    // A new trim of a file or a title; false for a disc or a record not in the list.
    bool SetTrim(const CMediaRecord* record, const std::string& start, const std::string& end);
    // The audio track at a position of its list; a position outside the list is no choice.
    void ChooseAudioTrack(const CMediaRecord* record, int listIndex);
    // The subtitle at a position of its list, whose first entry is "none"; a
    // file lists each subtitle twice, burnt in and then kept as a track.
    void ChooseSubtitle(const CMediaRecord* record, int listIndex);

    // The row's column texts, each followed by a tab: name, length, trim
    // start and trim end; a disc shows its name only.
    std::string ItemText(const CMediaRecord* record) const;
    // Every row with its tick, in list order, as Start collects the jobs from.
    std::vector<SourceItem> SourceItems() const;

private:
    struct Row;
    Row* Find(const CMediaRecord* record) const;
    CMediaRecord* Append(Row* parent, std::unique_ptr<CMediaRecord> record, std::string name);
    void Unindex(const Row& row);

    std::vector<std::unique_ptr<Row>> rows_;
    std::unordered_map<const CMediaRecord*, Row*> index_;
};

} // namespace qv
