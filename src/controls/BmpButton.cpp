#include "BmpButton.h"

#include <QMouseEvent>
#include <QPainter>

namespace qv {

QFont SkinFont(const std::string& face, int pixelSize, bool bold, bool italic, bool underline) {
    QFont font(QString::fromStdString(face));
    font.setPixelSize(std::max(1, pixelSize));
    font.setWeight(bold ? QFont::Bold : QFont::Normal);
    font.setItalic(italic);
    font.setUnderline(underline);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

CBmpButton::CBmpButton(QWidget* parent, int controlId) : QAbstractButton(parent) {
    setProperty("controlId", controlId);
    setMouseTracking(true);
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::ClickFocus);
}

void CBmpButton::SetCaptionFont(const std::string& face, bool b, bool i, bool u) {
    fontFace = face;
    bold = b;
    italic = i;
    underline = u;
    fontSize = 11;
}

void CBmpButton::SetImage(QImage strip) {
    image_.Attach(std::move(strip));
    maskState_ = 0;
    update();
}

void CBmpButton::SetButtonKind(ButtonKind kind) {
    buttonKind = kind;
    setCheckable(kind == ButtonCheck);
}

int CBmpButton::PaintState() const {
    if (!isEnabled())
        return 4;
    if (buttonKind == ButtonCheck) {
        if (isChecked())
            return 3;
        return hover_ ? 2 : 1;
    }
    if (hover_ && pressed_)
        return 3;
    return hover_ ? 2 : 1;
}

QRect CBmpButton::CaptionRect() const {
    QRect r = rect();
    if (leftInset < r.width())
        r.setLeft(r.left() + leftInset);
    if (topInset < r.height())
        r.setTop(r.top() + topInset);
    return r;
}

void CBmpButton::paintEvent(QPaintEvent*) {
    const int state = PaintState();
    CBitmapEx stateImage;
    ExtractState(image_, stateImage, state);
    if (!stateImage.IsNull() && state != maskState_) {
        // The window takes the shape of the state image's opaque pixels.
        QRegion shape = RegionFromBitmap(stateImage.Image());
        setMask(shape.isEmpty() ? QRegion(0, 0, 1, 1) : shape);
        maskState_ = state;
    }
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    DrawBitmap(rect(), stateImage, p);
    if (keyboardFocus_ && hasFocus()) {
        // The focus mark: a dotted frame inside the button's picture.
        QPen pen(QColor(255, 255, 255, 210), 1, Qt::DotLine);
        p.setPen(pen);
        p.drawRect(rect().adjusted(3, 3, -4, -4));
    }
    if (caption.empty())
        return;
    const QRgb colours[] = {normalColour, hoverColour, pressedColour, disabledColour};
    p.setFont(SkinFont(fontFace, fontSize, bold, italic, underline));
    p.setPen(ColourOf(colours[state - 1]));
    p.drawText(CaptionRect(), alignment | Qt::AlignVCenter | Qt::TextSingleLine,
               QString::fromStdString(caption));
}

// The pointer is followed by enter and leave events, and by moves while
// the button is held (which the press's implicit grab delivers); the mouse
// is never grabbed, so a window that opens meanwhile gets its own clicks.
void CBmpButton::Track(const QPoint& at) {
    const bool over = rect().contains(at);
    if (over != hover_) {
        hover_ = over;
        repaint();
    }
}

void CBmpButton::mouseMoveEvent(QMouseEvent* event) {
    Track(event->position().toPoint());
}

void CBmpButton::enterEvent(QEnterEvent* event) {
    Track(event->position().toPoint());
}

void CBmpButton::leaveEvent(QEvent*) {
    if (hover_ && !pressed_) {
        hover_ = false;
        repaint();
    }
}

void CBmpButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    pressed_ = true;
    hover_ = true;
    repaint();
    setFocus(Qt::MouseFocusReason);
}

void CBmpButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    pressed_ = false;
    if (hover_) {
        hover_ = false;
        repaint();
        emit clicked(isChecked());
    } else {
        hover_ = false;
        repaint();
    }
}

void CBmpButton::mouseDoubleClickEvent(QMouseEvent*) {
    // The second press of a double click is no click of its own.
}

// Space presses a focused button; other keys go to the window.
void CBmpButton::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat())
        return QAbstractButton::keyPressEvent(event);
    QWidget::keyPressEvent(event);
}
void CBmpButton::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat())
        return QAbstractButton::keyReleaseEvent(event);
    QWidget::keyReleaseEvent(event);
}

void CBmpButton::focusInEvent(QFocusEvent* event) {
    keyboardFocus_ = event->reason() == Qt::TabFocusReason ||
                     event->reason() == Qt::BacktabFocusReason ||
                     event->reason() == Qt::ShortcutFocusReason;
    update();
}

void CBmpButton::focusOutEvent(QFocusEvent*) {
    keyboardFocus_ = false;
    update();
}

CColorStatic::CColorStatic(QWidget* parent, int controlId) : QWidget(parent) {
    setProperty("controlId", controlId);
    setAttribute(Qt::WA_TranslucentBackground);
}

void CColorStatic::SetTextFont(const std::string& face, bool b, bool i, bool u) {
    fontFace = face;
    bold = b;
    italic = i;
    underline = u;
    fontSize = 11;
}

void CColorStatic::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setFont(SkinFont(fontFace, fontSize, bold, italic, underline));
    p.setPen(ColourOf(textColour));
    p.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
               QString::fromStdString(text));
}

} // namespace qv
