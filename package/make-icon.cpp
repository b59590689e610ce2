// Draws the program's icon (the window icon of resources/bitmaps/128.bmp: a
// blue rounded square with a white play triangle) for the desktop's icon
// theme: a PNG at each size asked for, and the same shape as SVG.
//
//   make-icon OUTDIR SIZE...   writes OUTDIR/SIZExSIZE/apps/NAME.png and
//                              OUTDIR/scalable/apps/NAME.svg

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr const char* kName = "org.quorvane.QuorvanePro";
// The shape on a 32-unit square, as the window icon draws it.
constexpr double kRadius = 6, kTriangle[3][2] = {{11, 8}, {11, 24}, {24, 16}};
const QColor kBlue(0x2f, 0x6f, 0xb5);

QImage Draw(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    p.drawRoundedRect(QRectF(0, 0, 32, 32), kRadius, kRadius);
    QPainterPath triangle;
    triangle.moveTo(kTriangle[0][0], kTriangle[0][1]);
    triangle.lineTo(kTriangle[1][0], kTriangle[1][1]);
    triangle.lineTo(kTriangle[2][0], kTriangle[2][1]);
    triangle.closeSubpath();
    p.setBrush(Qt::white);
    p.drawPath(triangle);
    return image;
}

QByteArray Svg() {
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                          "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"32\" height=\"32\" "
                          "viewBox=\"0 0 32 32\">\n"
                          "  <rect width=\"32\" height=\"32\" rx=\"%1\" fill=\"%2\"/>\n"
                          "  <path d=\"M%3 %4 L%5 %6 L%7 %8 Z\" fill=\"#ffffff\"/>\n"
                          "</svg>\n")
        .arg(kRadius)
        .arg(kBlue.name())
        .arg(kTriangle[0][0])
        .arg(kTriangle[0][1])
        .arg(kTriangle[1][0])
        .arg(kTriangle[1][1])
        .arg(kTriangle[2][0])
        .arg(kTriangle[2][1])
        .toUtf8();
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: make-icon OUTDIR SIZE...\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    for (int i = 2; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(out).arg(size);
        if (size <= 0 || !QDir().mkpath(folder) ||
            !Draw(size).save(folder + "/" + kName + ".png", "PNG", 9)) {
            std::fprintf(stderr, "make-icon: cannot write the %s icon\n", argv[i]);
            return 1;
        }
    }
    QDir().mkpath(out + "/scalable/apps");
    QFile svg(out + "/scalable/apps/" + kName + ".svg");
    if (!svg.open(QIODevice::WriteOnly) || svg.write(Svg()) < 0) {
        std::fprintf(stderr, "make-icon: cannot write the SVG icon\n");
        return 1;
    }
    return 0;
}
