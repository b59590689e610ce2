#include "TreeComboBox.h"

#include "BitmapEx.h"
#include "platform/Messages.h"
#include "platform/WindowMessage.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionComboBox>
#include <QTreeWidget>

namespace qv {

CTreeComboBox::CTreeComboBox(QWidget* parent, int controlId) : QWidget(parent) {
    setProperty("controlId", controlId);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumHeight(kCell + 6);
    QFont face(QStringLiteral("Arial"));
    face.setPointSize(9);
    textFace_ = new QLabel(this);
    textFace_->setProperty("controlId", int(IDC_TEXT_FACE));
    textFace_->setFont(face);
    textFace_->setAttribute(Qt::WA_TransparentForMouseEvents);
    iconFace_ = new QLabel(this);
    iconFace_->setProperty("controlId", int(IDC_ICON_FACE));
    iconFace_->setAlignment(Qt::AlignCenter);
    iconFace_->setAttribute(Qt::WA_TransparentForMouseEvents);

    // The drop-down: a borderless top-most tree owned by the window.
    tree_ = new QTreeWidget(this);
    tree_->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    tree_->setHeaderHidden(true);
    tree_->setRootIsDecorated(true);
    tree_->setIconSize(QSize(kCell, kCell));
    tree_->setFrameShape(QFrame::Box);
    tree_->setMouseTracking(true);
    tree_->viewport()->installEventFilter(this);
    tree_->installEventFilter(this);
    tree_->hide();
    if (parent)
        parent->installEventFilter(this); // a click elsewhere in the window closes the tree
}

CTreeComboBox::~CTreeComboBox() {
    qApp->removeEventFilter(this);
}

QPixmap CTreeComboBox::RenderCell(const QImage& picture) {
    QPixmap cell(kCell, kCell);
    cell.fill(Qt::white);
    QPainter p(&cell);
    if (!picture.isNull()) {
        QSize fit = picture.size().scaled(kCell, kCell, Qt::KeepAspectRatio);
        QRect target(QPoint((kCell - fit.width()) / 2, (kCell - fit.height()) / 2), fit);
        p.drawImage(target, picture);
    }
    p.setPen(QColor(0xC0, 0xC0, 0xC0));
    p.drawRect(0, 0, kCell - 1, kCell - 1);
    return cell;
}

void CTreeComboBox::AddImage(const std::string& path, int position) {
    if (position == 0)
        images_.clear();
    images_.push_back(RenderCell(LoadImageFile(path)));
}

QTreeWidgetItem* CTreeComboBox::AddItem(QTreeWidgetItem* parent, const std::string& text,
                                        int image) {
    auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree_);
    item->setText(0, QString::fromStdString(text));
    if (image >= 0 && image < static_cast<int>(images_.size()))
        item->setIcon(0, QIcon(images_[static_cast<size_t>(image)]));
    item->setData(0, kImageRole, image);
    return item;
}

void CTreeComboBox::ExpandAll() {
    for (int i = 0; i < tree_->topLevelItemCount(); ++i)
        if (tree_->topLevelItem(i)->childCount() > 0)
            tree_->topLevelItem(i)->setExpanded(true);
}

void CTreeComboBox::SetFaceText(const std::string& text) {
    textFace_->setText(QString::fromStdString(text));
    textFace_->setToolTip(textFace_->text());
    setToolTip(textFace_->text());
    setWindowTitle(textFace_->text());
}

void CTreeComboBox::Commit(QTreeWidgetItem* item, bool notify) {
    if (item) {
        tree_->setCurrentItem(item);
        committed_ = item;
        SetFaceText(item->text(0).toStdString());
        int image = item->data(0, kImageRole).toInt();
        iconFace_->setPixmap(image >= 0 && image < static_cast<int>(images_.size())
                                 ? images_[static_cast<size_t>(image)]
                                 : QPixmap());
        Hide();
    }
    if (notify && parentWidget()) {
        WindowMessage chosen(WM_PROFILE_CHOSEN);
        QCoreApplication::sendEvent(parentWidget(), &chosen);
    }
}

int CTreeComboBox::SelectByText(const std::string& text) {
    const QString wanted = QString::fromStdString(text);
    for (int i = 0; i < tree_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* group = tree_->topLevelItem(i);
        for (int c = 0; c < group->childCount(); ++c)
            if (group->child(c)->text(0) == wanted) {
                Commit(group->child(c), false);
                return 1;
            }
    }
    if (tree_->topLevelItemCount() > 0 && tree_->topLevelItem(0)->childCount() > 0)
        Commit(tree_->topLevelItem(0)->child(0), false);
    return 0;
}

bool CTreeComboBox::Dropped() const {
    return tree_->isVisible();
}

void CTreeComboBox::Hide() {
    tree_->hide();
    justDropped_ = false;
    qApp->removeEventFilter(this);
}

void CTreeComboBox::ToggleDropDown() {
    if (justDropped_ && !Dropped()) {
        justDropped_ = false;
        return;
    }
    if (!Dropped()) {
        // Above the control: same left edge and width, bottom at its top.
        const QPoint topLeft = mapToGlobal(QPoint(0, 0));
        tree_->setGeometry(topLeft.x(), topLeft.y() - kDropHeight, width(), kDropHeight);
        tree_->show();
        tree_->raise();
        if (tree_->currentItem())
            tree_->scrollToItem(tree_->currentItem());
        justDropped_ = true;
        // While the tree is open, a press anywhere else closes it and the
        // keys reach it wherever the focus is (it is a window of its own).
        qApp->installEventFilter(this);
    } else {
        Hide();
    }
}

void CTreeComboBox::paintEvent(QPaintEvent*) {
    // The face of a drop-down list: frame and arrow; the faces draw the rest.
    QPainter p(this);
    QStyleOptionComboBox option;
    option.initFrom(this);
    option.editable = false;
    style()->drawComplexControl(QStyle::CC_ComboBox, &option, &p, this);
    iconFace_->setGeometry(2, 2, 24, height() - 4);
    textFace_->setGeometry(26 + 2, 2, std::max(0, width() - 26 - 16 - 6), height() - 4);
}

void CTreeComboBox::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        ToggleDropDown();
}

// Space, F4, Alt+Down and the arrows open the tree from the keyboard.
void CTreeComboBox::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Space:
    case Qt::Key_F4:
        if (!Dropped())
            ToggleDropDown();
        return;
    default: QWidget::keyPressEvent(event);
    }
}

// Keys for the open tree: arrows move, Enter picks a leaf, Esc closes.
bool CTreeComboBox::DropDownKey(QKeyEvent* k) {
    QTreeWidgetItem* current = tree_->currentItem();
    const bool alt = k->modifiers() & Qt::AltModifier;
    if (k->key() == Qt::Key_F4 || (alt && (k->key() == Qt::Key_Up || k->key() == Qt::Key_Down))) {
        Hide();
        return true;
    }
    switch (k->key()) {
    case Qt::Key_Escape:
        Hide();
        if (committed_)
            tree_->setCurrentItem(committed_);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (current && current->childCount() == 0)
            Commit(current, true);
        return true;
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (QTreeWidgetItem* next =
                k->key() == Qt::Key_Up ? tree_->itemAbove(current) : tree_->itemBelow(current)) {
            tree_->setCurrentItem(next);
            tree_->scrollToItem(next);
        }
        return true;
    default: return false;
    }
}

bool CTreeComboBox::eventFilter(QObject* watched, QEvent* event) {
    // The tree closes when the program stops being the active one, and
    // the filter on the whole program goes however the tree was hidden.
    if (watched == qApp && Dropped() &&
        (event->type() == QEvent::ApplicationDeactivate ||
         (event->type() == QEvent::ApplicationStateChange &&
          static_cast<QApplicationStateChangeEvent*>(event)->applicationState() !=
              Qt::ApplicationActive)))
        Hide();
    if (watched == tree_ && event->type() == QEvent::Hide) {
        justDropped_ = false;
        qApp->removeEventFilter(this);
    }
    // The focus gone to another control (Tab, a click, a shortcut) closes it.
    if (Dropped() && event->type() == QEvent::FocusIn && watched->isWidgetType()) {
        auto* w = static_cast<QWidget*>(watched);
        if (w != this && w != tree_ && !tree_->isAncestorOf(w))
            Hide();
    }
    if (Dropped() && watched->isWidgetType()) {
        auto* w = static_cast<QWidget*>(watched);
        const bool inside = w == this || w == tree_ || tree_->isAncestorOf(w);
        if (event->type() == QEvent::MouseButtonPress && !inside) {
            Hide();
            return false;
        }
        if (event->type() == QEvent::KeyPress && w->window() != tree_ &&
            DropDownKey(static_cast<QKeyEvent*>(event)))
            return true;
    }
    if (watched == tree_->viewport()) {
        if (event->type() == QEvent::MouseMove) {
            auto* m = static_cast<QMouseEvent*>(event);
            if (QTreeWidgetItem* item = tree_->itemAt(m->position().toPoint()))
                tree_->setCurrentItem(item, 0, QItemSelectionModel::NoUpdate);
        } else if (event->type() == QEvent::MouseButtonPress) {
            auto* m = static_cast<QMouseEvent*>(event);
            QTreeWidgetItem* item = tree_->itemAt(m->position().toPoint());
            // A leaf is picked; a group node expands or collapses as usual.
            if (item && item->childCount() == 0 && m->button() == Qt::LeftButton) {
                Commit(item, true);
                return true;
            }
        }
    } else if (watched == tree_ && event->type() == QEvent::KeyPress) {
        if (DropDownKey(static_cast<QKeyEvent*>(event)))
            return true;
    } else if (watched == parentWidget() && Dropped() &&
               (event->type() == QEvent::MouseButtonPress ||
                event->type() == QEvent::NonClientAreaMouseButtonPress)) {
        Hide();
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace qv
