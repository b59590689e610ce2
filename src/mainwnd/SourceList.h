#pragma once

#include <QString>

#include <string>
#include <vector>

class QTreeWidgetItem;

namespace qv {

class CMediaRecord;

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

// A dropped source: a file, or a DVD folder to scan.
struct DroppedSource {
    std::string path;
    bool dvd = false;
    bool operator==(const DroppedSource&) const = default;
};
// Dropped paths as sources, in the order given: files as they are; a folder
// named VIDEO_TS, or one that holds a VIDEO_TS folder, is a DVD; any other
// folder gives the files directly inside it, in name order.
std::vector<DroppedSource> ExpandDroppedPaths(const std::vector<std::string>& paths);

// The record of a source list's item (the list's model owns it); null for none.
CMediaRecord* RecordOf(const QTreeWidgetItem* item);

// Sets a row's tooltip on every column: a DVD title's note on the main
// feature, then the extra lines given (the estimate), either may be empty.
void ShowRowTip(QTreeWidgetItem* item, const QString& extra = {});

} // namespace qv
