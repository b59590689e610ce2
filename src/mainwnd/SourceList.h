#pragma once

#include <string>
#include <vector>

class QTreeWidget;
class QTreeWidgetItem;

namespace qv {

class CMediaRecord;
struct SourceItem;

// Context menu of the source list: its commands.
enum : int {
    ID_MENU_REMOVE = 32772,
    ID_MENU_CLEAR = 32773,
    ID_MENU_TRIM_START = 32774,
    ID_MENU_TRIM_END = 32775,
    ID_MENU_ADD_VIDEO = 32776,
    ID_MENU_ADD_DVD = 32777,
    ID_MENU_CHECK_ALL = 32788,
    ID_MENU_UNCHECK_ALL = 32789,
};

// Dropped paths as sources: files as they are, in the order given; a folder
// gives the files directly inside it, in name order.
std::vector<std::string> ExpandDroppedPaths(const std::vector<std::string>& paths);

// The record an item of the source list carries; null for none.
CMediaRecord* RecordOf(const QTreeWidgetItem* item);
// How many items the tree holds, children included.
int CountItems(const QTreeWidget* tree);
// The tree as the conversion queue sees it: records with their check marks.
std::vector<SourceItem> SourceItemsOf(const QTreeWidget* tree);
// The preview caption of a record: the file name; "%s//%d" of a DVD title's
// source and number; a DVD node's source.
std::string PreviewCaptionOf(const CMediaRecord& record);

} // namespace qv
