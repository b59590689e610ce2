#pragma once

#include <QPixmap>
#include <QWidget>

#include <string>
#include <vector>

class QKeyEvent;
class QLabel;
class QTreeWidget;
class QTreeWidgetItem;

namespace qv {

// A drop-down that opens a tree (groups with leaves, each with a 20 x 20
// picture) above itself. The face shows the committed leaf's picture and
// text; picking a leaf sends WM_PROFILE_CHOSEN to the parent.
class CTreeComboBox : public QWidget {
    Q_OBJECT
public:
    enum : int { IDC_TEXT_FACE = 1025, IDC_ICON_FACE = 1312 };
    static constexpr int kDropHeight = 360;
    static constexpr int kCell = 20;
    // The item data role that holds an item's image number; callers keep
    // their own data in other roles.
    static constexpr int kImageRole = Qt::UserRole + 1;

    explicit CTreeComboBox(QWidget* parent = nullptr, int controlId = 1018);
    ~CTreeComboBox() override;

    // Appends a picture (rendered into a 20 x 20 cell, white with a silver
    // frame); position 0 starts a new list.
    void AddImage(const std::string& path, int position);
    QTreeWidgetItem* AddItem(QTreeWidgetItem* parent, const std::string& text, int image);
    void ExpandAll();
    // Shows and commits the first leaf with exactly that text (1), or the
    // first leaf of the first group (0). Sends nothing.
    int SelectByText(const std::string& text);
    void SetFaceText(const std::string& text);

    void ToggleDropDown();
    bool Dropped() const;
    QTreeWidget* Tree() const { return tree_; }
    QTreeWidgetItem* Committed() const { return committed_; }

    // The cell a picture becomes.
    static QPixmap RenderCell(const QImage& picture);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Commit(QTreeWidgetItem* item, bool notify);
    void Hide();
    bool DropDownKey(QKeyEvent* key);

    QLabel* textFace_;
    QLabel* iconFace_;
    QTreeWidget* tree_;
    QTreeWidgetItem* committed_ = nullptr;
    std::vector<QPixmap> images_;
    bool justDropped_ = false;
};

} // namespace qv
