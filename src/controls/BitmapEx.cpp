#include "BitmapEx.h"
#include "ImagePreload.h"

#include <QFile>

#include <algorithm>
#include <cctype>
#include <vector>

namespace qv {

ImageKind ImageKindOf(const std::string& path) {
    std::string upper = path;
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    static const std::pair<const char*, ImageKind> kinds[] = {{".BMP", ImageBmp},
                                                              {".ICO", ImageIco},
                                                              {".JPG", ImageJpeg},
                                                              {".JPEG", ImageJpeg},
                                                              {".GIF", ImageGif}};
    for (const auto& [text, kind] : kinds) {
        size_t at = upper.find(text, 1);
        if (at != std::string::npos)
            return kind;
    }
    return ImageNone;
}

QImage LoadImageFile(const std::string& path) {
    QImage preloaded;
    if (TakePreloadedImage(path, &preloaded))
        return preloaded;
    return DecodeImageFile(path);
}

QImage DecodeImageFile(const std::string& path) {
    static const char* const formats[] = {"BMP", "ICO", "JPEG", "GIF"};
    const ImageKind kind = ImageKindOf(path);
    if (kind == ImageNone)
        return QImage();
    QImage image;
    if (!image.load(QString::fromStdString(path), formats[kind]))
        return QImage();
    // Transparent parts come out black, as on a black bitmap.
    QImage opaque(image.size(), QImage::Format_RGB32);
    opaque.fill(Qt::black);
    QPainter p(&opaque);
    p.drawImage(0, 0, image);
    p.end();
    return opaque;
}

void ExtractState(const CBitmapEx& strip, CBitmapEx& target, int k) {
    const int w = strip.ImageWidth(), h = strip.ImageHeight();
    const int q = w / 4;
    if (strip.IsNull() || q <= 0 || k < 1 || k > 4) {
        target.DeleteObject();
        return;
    }
    target.Attach(strip.Image().copy((k - 1) * w / 4, 0, q, h));
}

QRegion RegionFromBitmap(const QImage& source) {
    if (source.isNull())
        return QRegion();
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    QRegion result;
    std::vector<QRect> runs;
    runs.reserve(2000);
    auto flush = [&] {
        if (runs.empty())
            return;
        QRegion part;
        part.setRects(runs.data(), static_cast<int>(runs.size()));
        result += part;
        runs.clear();
    };
    for (int y = 0; y < image.height(); ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        int x = 0;
        while (x < image.width()) {
            while (x < image.width() && IsMagenta(row[x]))
                ++x;
            const int x0 = x;
            while (x < image.width() && !IsMagenta(row[x]))
                ++x;
            if (x > x0) {
                runs.emplace_back(x0, y, x - x0, 1);
                if (runs.size() == 2000)
                    flush();
            }
        }
    }
    flush();
    return result;
}

void DrawBitmap(const QRect& rect, const CBitmapEx& image, QPainter& painter) {
    if (!image.IsNull())
        painter.drawImage(rect.topLeft(), image.Image(), QRect(0, 0, rect.width(), rect.height()));
}

void StretchBitmap(const QRect& source, const QRect& target, const CBitmapEx& image,
                   QPainter& painter) {
    if (!image.IsNull())
        painter.drawImage(target, image.Image(), source);
}

void DrawResized(const CBitmapEx& image, QPainter& painter, const QRect& rect) {
    if (image.IsNull() || rect.isEmpty())
        return;
    CBitmapEx scaled(
        image.Image().scaled(rect.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation));
    DrawBitmap(rect, scaled, painter);
}

CMyMemDC::CMyMemDC(QPainter& target, const QRect& rect, const QColor& background)
    : target_(target), rect_(rect), surface_(rect.size().expandedTo(QSize(1, 1))) {
    surface_.fill(background);
    painter_.begin(&surface_);
    painter_.translate(-rect.topLeft()); // drawing uses the target's coordinates
}

CMyMemDC::~CMyMemDC() {
    painter_.end();
    target_.drawPixmap(rect_.topLeft(), surface_);
}

} // namespace qv
