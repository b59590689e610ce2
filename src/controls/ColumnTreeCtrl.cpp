#include "ColumnTreeCtrl.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace qv {

namespace {

constexpr int kTextRole = Qt::UserRole + 10;

std::vector<std::string> Parts(const std::string& text) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        size_t tab = text.find('\t', start);
        if (tab == std::string::npos) {
            if (start < text.size())
                parts.push_back(text.substr(start));
            return parts;
        }
        parts.push_back(text.substr(start, tab - start));
        start = tab + 1;
    }
}

// The grid: a sunken line at each column's right border and along the row's bottom.
class GridDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* p, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem o(option);
        o.textElideMode = Qt::ElideRight;
        QStyledItemDelegate::paint(p, o, index);
        p->save();
        p->setPen(option.palette.color(QPalette::Mid));
        p->drawLine(option.rect.topRight(), option.rect.bottomRight());
        p->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
        p->restore();
    }
};

} // namespace

CColumnTreeCtrl::CColumnTreeCtrl(QWidget* parent, int controlId) : QWidget(parent) {
    setProperty("controlId", controlId);
    tree_ = new QTreeWidget(this);
    tree_->setProperty("controlId", 2);
    tree_->setColumnCount(0);
    tree_->setItemDelegate(new GridDelegate(tree_));
    tree_->setUniformRowHeights(true);
    tree_->setAllColumnsShowFocus(true);
    tree_->setTextElideMode(Qt::ElideRight);
    tree_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    tree_->header()->setStretchLastSection(false);
    tree_->header()->setSectionsMovable(false);
    tree_->header()->setMinimumSectionSize(20);
    tree_->setContextMenuPolicy(Qt::CustomContextMenu);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(tree_);

    // The first column keeps its minimum width: a narrower drag is undone.
    connect(tree_->header(), &QHeaderView::sectionResized, this, [this](int section, int, int now) {
        if (section == 0 && now < kMinFirstColumn)
            tree_->header()->resizeSection(0, kMinFirstColumn);
    });
    connect(tree_, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* i) { emit ItemClicked(i); });
    connect(tree_, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* now) { emit SelectionChanged(now); });
    connect(tree_, &QTreeWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { emit ContextMenu(at); });
    tree_->installEventFilter(this);
    connect(tree_, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
        if (!applying_ && column == 0)
            emit ItemCheckChanged(item);
    });
}

// The Menu key and Shift+F10 open the context menu at the current item, not
// at the pointer (which the window system's keyboard request reports).
bool CColumnTreeCtrl::eventFilter(QObject* watched, QEvent* event) {
    if (watched != tree_)
        return QWidget::eventFilter(watched, event);
    bool keyboardMenu = false;
    if (event->type() == QEvent::ContextMenu)
        keyboardMenu =
            static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard;
    else if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        keyboardMenu = key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier;
    }
    if (!keyboardMenu)
        return QWidget::eventFilter(watched, event);
    emit ContextMenu(KeyboardMenuPoint());
    return true;
}

QPoint CColumnTreeCtrl::KeyboardMenuPoint() const {
    QTreeWidgetItem* item = tree_->currentItem();
    if (!item)
        return QPoint(4, 4);
    tree_->scrollToItem(item);
    return tree_->visualItemRect(item).center();
}

int CColumnTreeCtrl::InsertColumn(int index, int alignment, int width, const std::string& title) {
    const int count = tree_->columnCount();
    index = std::clamp(index, 0, count);
    alignments_.insert(alignments_.begin() + index, alignment);
    QStringList titles;
    for (int c = 0; c < count; ++c)
        titles << tree_->headerItem()->text(c);
    titles.insert(index, QString::fromStdString(title));
    tree_->setColumnCount(count + 1);
    tree_->setHeaderLabels(titles);
    for (int c = 0; c <= count; ++c) {
        const int a = alignments_[static_cast<size_t>(c)];
        tree_->headerItem()->setTextAlignment(c, (a == AlignRight    ? Qt::AlignRight
                                                  : a == AlignCenter ? Qt::AlignHCenter
                                                                     : Qt::AlignLeft) |
                                                     Qt::AlignVCenter);
    }
    tree_->header()->resizeSection(index, index == 0 ? std::max(width, kMinFirstColumn) : width);
    return index;
}

std::string CColumnTreeCtrl::ItemText(const QTreeWidgetItem* item) {
    return item ? item->data(0, kTextRole).toString().toStdString() : std::string();
}

void CColumnTreeCtrl::SetItemText(QTreeWidgetItem* item, const std::string& text) {
    applying_ = true;
    item->setData(0, kTextRole, QString::fromStdString(text));
    const std::vector<std::string> parts = Parts(text);
    for (int c = 0; c < tree_->columnCount(); ++c) {
        item->setText(c, c < static_cast<int>(parts.size())
                             ? QString::fromStdString(parts[static_cast<size_t>(c)])
                             : QString());
        const int a = c < static_cast<int>(alignments_.size()) ? alignments_[static_cast<size_t>(c)]
                                                               : AlignLeft;
        item->setTextAlignment(c, (a == AlignRight    ? Qt::AlignRight
                                   : a == AlignCenter ? Qt::AlignHCenter
                                                      : Qt::AlignLeft) |
                                      Qt::AlignVCenter);
        item->setToolTip(c, item->text(c));
    }
    applying_ = false;
}

void CColumnTreeCtrl::SetItemColumnText(QTreeWidgetItem* item, int column,
                                        const std::string& text) {
    if (!item)
        return;
    const std::vector<std::string> parts = Parts(ItemText(item));
    std::string result;
    for (int c = 0; c < tree_->columnCount(); ++c) {
        if (c == column)
            result += text;
        else if (c < static_cast<int>(parts.size()))
            result += parts[static_cast<size_t>(c)];
        result += '\t';
    }
    SetItemText(item, result);
}

} // namespace qv
