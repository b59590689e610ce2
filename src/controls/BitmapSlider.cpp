#include "BitmapSlider.h"

#include <QAccessible>

#include "platform/Messages.h"
#include "platform/WindowMessage.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <cstdlib>

// The program's bitmaps live in a static library: register them before use.
static void RegisterProgramBitmaps() {
    static const bool done = [] {
        Q_INIT_RESOURCE(program);
        return true;
    }();
    (void)done;
}

namespace qv {

QImage ProgramBitmap(int id) {
    RegisterProgramBitmaps();
    QImage image(QString(":/bitmaps/%1.bmp").arg(id));
    return image.isNull() ? QImage(QString(":/bitmaps/%1.gif").arg(id)) : image;
}

namespace {

// The thumb's transparent colour is its top-left pixel; those pixels of both
// thumb images become transparent.
QImage Masked(const QImage& image, QRgb transparent) {
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            if ((row[x] & 0xFFFFFF) == (transparent & 0xFFFFFF))
                row[x] = 0;
    }
    return out;
}

} // namespace

CBitmapSlider::CBitmapSlider(QWidget* parent, int controlId) : QWidget(parent) {
    setProperty("controlId", controlId);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

bool CBitmapSlider::SetChannelBitmaps(int normalId, int activeId) {
    return SetChannelBitmaps(ProgramBitmap(normalId), ProgramBitmap(activeId));
}

bool CBitmapSlider::SetChannelBitmaps(const QImage& normal, const QImage& active) {
    channel_.DeleteObject();
    activeChannel_.DeleteObject();
    if (normal.isNull() || active.isNull())
        return false;
    channel_.Attach(normal);
    activeChannel_.Attach(active);
    controlWidth_ = normal.width();
    controlHeight_ = normal.height();
    resize(controlWidth_, controlHeight_);
    return true;
}

bool CBitmapSlider::SetThumbBitmaps(int normalId, int draggedId) {
    return SetThumbBitmaps(ProgramBitmap(normalId), ProgramBitmap(draggedId));
}

bool CBitmapSlider::SetThumbBitmaps(const QImage& normal, const QImage& dragged) {
    thumb_.DeleteObject();
    draggedThumb_.DeleteObject();
    if (normal.isNull() || dragged.isNull())
        return false;
    const QRgb transparent = normal.pixel(0, 0);
    thumb_.Attach(Masked(normal, transparent));
    draggedThumb_.Attach(Masked(dragged, transparent));
    thumbWidth_ = normal.width();
    thumbHeight_ = normal.height();
    if (channel_.IsNull()) {
        controlWidth_ = width();
        controlHeight_ = height();
    }
    return true;
}

int CBitmapSlider::PositionToPixel(int p) const {
    const double span = controlWidth_ - marginRight - thumbWidth_ - marginLeft;
    const double share = rangeMax == rangeMin ? 0.0 : double(p - rangeMin) / (rangeMax - rangeMin);
    return marginLeft + static_cast<int>(share * span) + thumbWidth_ / 2;
}

int CBitmapSlider::PixelToPosition(int x) const {
    const double span = controlWidth_ - marginRight - marginLeft - thumbWidth_;
    if (span == 0)
        return rangeMin;
    return static_cast<int>(rangeMin +
                            (x - thumbWidth_ / 2 - marginLeft) / span * (rangeMax - rangeMin));
}

void CBitmapSlider::SetPosition(int p) {
    const int before = position;
    position = Limit(p);
    update();
    if (position != before && QAccessible::isActive()) {
        QAccessibleValueChangeEvent changed(this, position);
        QAccessible::updateAccessibility(&changed);
    }
}

void CBitmapSlider::Post(int message) {
    if (parentWidget())
        QCoreApplication::postEvent(
            parentWidget(), new WindowMessage(message, property("controlId").toInt(), position));
}

void CBitmapSlider::paintEvent(QPaintEvent*) {
    QPainter target(this);
    CMyMemDC dc(target, rect(), palette().color(backgroundRole()));
    QPainter& p = dc.Painter();
    if (!channel_.IsNull()) {
        const int px = PositionToPixel(position);
        if (activeChannel_.IsNull()) {
            DrawBitmap(channel_.BitmapRect(), channel_, p);
        } else {
            const int w = channel_.ImageWidth(), h = channel_.ImageHeight();
            p.drawImage(QPoint(px, 0), channel_.Image(), QRect(px, 0, w - px, h));
            p.drawImage(QPoint(0, 0), activeChannel_.Image(), QRect(0, 0, px, h));
        }
    }
    if (!thumb_.IsNull()) {
        const CBitmapEx& t = dragging_ && !draggedThumb_.IsNull() ? draggedThumb_ : thumb_;
        p.drawImage(QPoint(PositionToPixel(position) - thumbWidth_ / 2, marginTop), t.Image());
    }
}

void CBitmapSlider::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    grabMouse();
    setFocus(Qt::MouseFocusReason);
    dragging_ = true;
    const int x = event->position().toPoint().x();
    const int c = x - PositionToPixel(position);
    // A press beside the thumb moves its centre to the pointer; one on the
    // thumb keeps the grip.
    dragOffset_ = std::abs(c) > thumbWidth_ / 2 ? 0 : c;
    mouseMoveEvent(event);
    update();
}

void CBitmapSlider::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_)
        return;
    int a = event->position().toPoint().x() - dragOffset_;
    a = std::clamp(
        a, marginLeft + thumbWidth_ / 2,
        std::max(marginLeft + thumbWidth_ / 2, controlWidth_ - marginRight - thumbWidth_ / 2));
    if (a != PositionToPixel(position)) {
        position = Limit(PixelToPosition(a));
        update();
        Post(WM_SLIDER_POSITION);
    }
}

void CBitmapSlider::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    releaseMouse();
    dragging_ = false;
    update();
    Post(WM_SLIDER_DONE);
}

void CBitmapSlider::keyPressEvent(QKeyEvent* event) {
    int p = position;
    switch (event->key()) {
    case Qt::Key_PageUp: p -= pageSize; break;
    case Qt::Key_PageDown: p += pageSize; break;
    case Qt::Key_End: p = rangeMax; break;
    case Qt::Key_Home: p = rangeMin; break;
    case Qt::Key_Right:
    case Qt::Key_Down: p += 1; break;
    case Qt::Key_Left:
    case Qt::Key_Up: p -= 1; break;
    default: QWidget::keyPressEvent(event); return;
    }
    SetPosition(p);
    Post(WM_SLIDER_DONE);
}

} // namespace qv
