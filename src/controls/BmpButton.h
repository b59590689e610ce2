#pragma once

#include "BitmapEx.h"

#include <QAbstractButton>
#include <QWidget>

#include <string>

namespace qv {

enum ButtonKind { ButtonPush = 2, ButtonCheck = 3 };

// A push or check button drawn from a strip of four state images (normal,
// mouse over, pressed or checked, disabled), shaped by the image's
// non-magenta pixels, with an optional caption of its own. A click counts
// only when the button is released over it.
class CBmpButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit CBmpButton(QWidget* parent = nullptr, int controlId = 0);

    void SetCaption(const std::string& text) { caption = text; }
    void SetCaptionFont(const std::string& face, bool bold, bool italic, bool underline);
    void SetImage(QImage strip); // null: no image
    const CBitmapEx& Image() const { return image_; }
    void SetButtonKind(ButtonKind kind);

    // The state shown now (1 normal, 2 mouse over, 3 pressed or checked, 4 disabled).
    int PaintState() const;
    QRect CaptionRect() const;

    std::string caption;
    int fontSize = 9;
    std::string fontFace = "Arial";
    bool bold = false, italic = false, underline = false;
    int leftInset = 0, topInset = 0;
    QRgb normalColour = 0, hoverColour = 0, pressedColour = 0, disabledColour = 0; // 0x00BBGGRR
    int alignment = Qt::AlignHCenter;
    ButtonKind buttonKind = ButtonPush;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    void Track(const QPoint& at);

    CBitmapEx image_;
    int maskState_ = 0; // the state whose shape the window has
    bool hover_ = false;
    bool pressed_ = false;
    bool keyboardFocus_ = false; // focus came by the keyboard: the mark shows
};

// The colour of a 0x00BBGGRR value.
inline QColor ColourOf(QRgb bgr) {
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

// A one-line text in its own font and colour on a transparent background.
class CColorStatic : public QWidget {
    Q_OBJECT
public:
    explicit CColorStatic(QWidget* parent = nullptr, int controlId = 0);
    void SetText(const std::string& t) { text = t; }
    void SetTextFont(const std::string& face, bool bold, bool italic, bool underline);

    std::string text;
    QRgb textColour = 0; // 0x00BBGGRR
    int fontSize = 9;
    std::string fontFace = "Verdana";
    bool bold = false, italic = false, underline = false;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// The caption and label font: character height in pixels, weight, style.
QFont SkinFont(const std::string& face, int pixelSize, bool bold, bool italic, bool underline);

} // namespace qv
