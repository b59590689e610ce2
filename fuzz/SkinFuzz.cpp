// A skin's description as a user may download it: any bytes as
// SkinSetting.xml, applied to a fresh window with controls of every kind a
// description can name (bitmap buttons, image statics, other controls).
#include "controls/BitmapEx.h"
#include "controls/BmpButton.h"
#include "controls/Skin.h"

#include <QApplication>
#include <QImage>
#include <QWidget>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

std::string folder;

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(*argc, *argv);
    std::string tmpl = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") +
                       "/qv-skin-fuzz.XXXXXX";
    if (!::mkdtemp(tmpl.data()))
        std::abort();
    folder = tmpl + "/";
    // One small image that a description may name, so that its loading runs too.
    QImage strip(16, 4, QImage::Format_RGB32);
    strip.fill(Qt::red);
    strip.save(QString::fromStdString(folder + "btn1000.bmp"), "BMP");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    {
        std::ofstream f(folder + "SkinSetting.xml", std::ios::binary | std::ios::trunc);
        f.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    QWidget window;
    for (int id : {1000, 1001, 1014})
        new qv::CBmpButton(&window, id);
    for (int id : {1006, 1100, 1101}) {
        auto* control = new QWidget(&window);
        control->setProperty("controlId", id);
        control->setProperty("imageStatic", id != 1006);
    }
    qv::ApplySkinControls(folder, &window, "MainDlgSetting");
    qv::CBitmapEx background;
    qv::ApplySkinBackground(folder, background, "MainDlgSetting");
    qv::ReadSkinColour(folder);
    return 0;
}
