// A skin's description as a user may download it: any bytes as
// SkinSetting.xml, applied to a window with controls of every kind a
// description can name (bitmap buttons, image statics, other controls).
// The window is made once: each input dresses the same controls again, as
// choosing another skin does in the program.
#include "FuzzFile.h"
#include "controls/BitmapEx.h"
#include "controls/BmpButton.h"
#include "controls/Skin.h"

#include <QApplication>
#include <QImage>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <string>

namespace {

std::string folder;
std::unique_ptr<qvfuzz::File> description;
QWidget* window;

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(*argc, *argv);
    folder = qvfuzz::MakeFolder("qv-skin-fuzz");
    description = std::make_unique<qvfuzz::File>(folder + "SkinSetting.xml");
    // One small image that a description may name, so that its loading runs too.
    QImage strip(16, 4, QImage::Format_RGB32);
    strip.fill(Qt::red);
    strip.save(QString::fromStdString(folder + "btn1000.bmp"), "BMP");
    window = new QWidget;
    for (int id : {1000, 1001, 1014})
        new qv::CBmpButton(window, id);
    for (int id : {1006, 1100, 1101}) {
        auto* control = new QWidget(window);
        control->setProperty("controlId", id);
        control->setProperty("imageStatic", id != 1006);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    description->Set(data, size);
    qv::ApplySkinControls(folder, window, "MainDlgSetting");
    qv::CBitmapEx background;
    qv::ApplySkinBackground(folder, background, "MainDlgSetting");
    qv::ReadSkinColour(folder);
    return 0;
}
