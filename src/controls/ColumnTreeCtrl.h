#pragma once

#include <QWidget>

#include <string>
#include <vector>

class QTreeWidget;
class QTreeWidgetItem;

namespace qv {

// A tree with header columns: length, start and end beside each source.
// An item's columns are kept as its text, each part followed by a tab
// ("name\tlength\tstart\tend\t"); the tree shows the parts in their columns,
// with a grid, the columns' alignments and an ellipsis for long texts. The
// first column is never narrower than 100 pixels.
class CColumnTreeCtrl : public QWidget {
    Q_OBJECT
public:
    static constexpr int kMinFirstColumn = 100;
    enum Alignment { AlignLeft = 0, AlignRight = 1, AlignCenter = 2 };

    explicit CColumnTreeCtrl(QWidget* parent = nullptr, int controlId = 1006);

    int InsertColumn(int index, int alignment, int width, const std::string& title);
    void SetItemColumnText(QTreeWidgetItem* item, int column, const std::string& text);
    QTreeWidget* GetTreeCtrl() const { return tree_; }

    // The tab-separated text of an item, and setting it whole.
    static std::string ItemText(const QTreeWidgetItem* item);
    void SetItemText(QTreeWidgetItem* item, const std::string& text);

    // Where a menu opened from the keyboard points: the middle of the current
    // item, scrolled into view; the list's top left without one. In the
    // tree's viewport, as ContextMenu gives it.
    QPoint KeyboardMenuPoint() const;

signals:
    // The tree's notifications, as coming from this control.
    void ItemClicked(QTreeWidgetItem* item);
    void SelectionChanged(QTreeWidgetItem* current);
    // A context menu asked for at a point of the tree's viewport, by the
    // mouse or from the keyboard (Menu, Shift+F10).
    void ContextMenu(const QPoint& at);
    void ItemCheckChanged(QTreeWidgetItem* item);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QTreeWidget* tree_;
    std::vector<int> alignments_;
    bool applying_ = false;
};

} // namespace qv
