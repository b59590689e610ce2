#pragma once

#include "BitmapEx.h"

#include <QWidget>

namespace qv {

// A horizontal slider drawn from a channel (normal and active) and a thumb
// (normal and dragged). The channel left of the thumb's centre shows the
// active image. Dragging posts WM_SLIDER_POSITION to the parent, releasing
// and keys WM_SLIDER_DONE (wParam the control id, lParam the position).
class CBitmapSlider : public QWidget {
    Q_OBJECT
public:
    explicit CBitmapSlider(QWidget* parent = nullptr, int controlId = 0);

    // From the program's bitmaps (resources/bitmaps/<id>.bmp) or from images.
    bool SetChannelBitmaps(int normalId, int activeId);
    bool SetChannelBitmaps(const QImage& normal, const QImage& active);
    bool SetThumbBitmaps(int normalId, int draggedId);
    bool SetThumbBitmaps(const QImage& normal, const QImage& dragged);

    void SetPosition(int position);
    int Position() const { return position; }
    // Whether the user holds the thumb with the mouse.
    bool Dragging() const { return dragging_; }
    int PositionToPixel(int position) const;
    int PixelToPosition(int x) const;

    int rangeMax = 100, rangeMin = 0;
    int position = 0;
    int pageSize = 20;
    int marginLeft = 0, marginRight = 0, marginTop = 0, marginBottom = 0;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent*) override { update(); }
    void focusOutEvent(QFocusEvent*) override { update(); }

private:
    void Post(int message);
    int Limit(int p) const {
        return std::clamp(p, std::min(rangeMin, rangeMax), std::max(rangeMin, rangeMax));
    }

    CBitmapEx channel_, activeChannel_, thumb_, draggedThumb_;
    int controlWidth_ = 0, controlHeight_ = 0;
    int thumbWidth_ = 0, thumbHeight_ = 0;
    int dragOffset_ = 0;
    bool dragging_ = false;
};

// The program's own bitmaps by resource number, from the resources compiled
// into the program.
QImage ProgramBitmap(int id);

} // namespace qv
