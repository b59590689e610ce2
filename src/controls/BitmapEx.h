#pragma once

#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QRect>
#include <QRegion>

#include <string>

namespace qv {

// A bitmap image: owns one image or none.
class CBitmapEx {
public:
    CBitmapEx() = default;
    explicit CBitmapEx(QImage image) : image_(std::move(image)) {}

    bool IsNull() const { return image_.isNull(); }
    int ImageWidth() const { return image_.width(); }
    int ImageHeight() const { return image_.height(); }
    QRect BitmapRect() const { return QRect(0, 0, image_.width(), image_.height()); }
    const QImage& Image() const { return image_; }
    void Attach(QImage image) { image_ = std::move(image); }
    void DeleteObject() { image_ = QImage(); }

private:
    QImage image_;
};

enum ImageKind { ImageBmp = 0, ImageIco = 1, ImageJpeg = 2, ImageGif = 3, ImageNone = 4 };

// The kind by the name: the first of ".BMP", ".ICO", ".JPG", ".JPEG", ".GIF"
// found (any letter case) after the path's first character.
ImageKind ImageKindOf(const std::string& path);
// The image of a file of a loadable kind (transparent parts come out black;
// a GIF gives its first frame); a null image otherwise.
// Taken from the preloaded images when the file is among them.
QImage LoadImageFile(const std::string& path);
// As LoadImageFile, always from the file (any thread may call it).
QImage DecodeImageFile(const std::string& path);
// The k-th (1 to 4) of four equally wide states side by side.
void ExtractState(const CBitmapEx& strip, CBitmapEx& target, int k);
// Whether a pixel is outside a skinned shape: magenta (red and blue 255,
// green at most 16).
inline bool IsMagenta(QRgb p) {
    return qRed(p) == 255 && qBlue(p) == 255 && qGreen(p) <= 16;
}
// The region of an image's non-magenta pixels, built from row runs.
QRegion RegionFromBitmap(const QImage& image);

void DrawBitmap(const QRect& rect, const CBitmapEx& image, QPainter& painter);
void StretchBitmap(const QRect& source, const QRect& target, const CBitmapEx& image,
                   QPainter& painter);
void DrawResized(const CBitmapEx& image, QPainter& painter, const QRect& rect);

// An off-screen surface over a rectangle of a painter's device: draw into
// Painter(), and the picture reaches the target in one copy when the surface
// goes. Qt's widgets are double-buffered already; controls use this to
// compose a picture from several images.
class CMyMemDC {
public:
    CMyMemDC(QPainter& target, const QRect& rect, const QColor& background);
    ~CMyMemDC();
    QPainter& Painter() { return painter_; }

private:
    QPainter& target_;
    QRect rect_;
    QPixmap surface_;
    QPainter painter_;
};

} // namespace qv
