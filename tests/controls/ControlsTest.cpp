#include "controls/BitmapEx.h"
#include "controls/BitmapSlider.h"
#include "controls/BmpButton.h"
#include "controls/ColumnTreeCtrl.h"
#include "controls/ImagePreload.h"
#include "controls/Skin.h"
#include "controls/TreeComboBox.h"

#include "platform/Messages.h"
#include "platform/WindowMessage.h"
#include "support/TempDir.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace qv;

namespace {

// A strip of four states, each in its own colour, with magenta corners.
QImage Strip(int stateWidth = 40, int height = 20) {
    QImage strip(stateWidth * 4, height, QImage::Format_RGB32);
    const QRgb colours[] = {qRgb(10, 10, 10), qRgb(20, 20, 20), qRgb(30, 30, 30), qRgb(40, 40, 40)};
    for (int k = 0; k < 4; ++k)
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < stateWidth; ++x)
                strip.setPixel(k * stateWidth + x, y,
                               (x == 0 && y == 0) ? qRgb(255, 8, 255) : colours[k]);
    return strip;
}

// Collects the slider's posted messages.
class Parent : public QWidget {
public:
    std::vector<std::pair<int, long long>> messages; // message, position
protected:
    void customEvent(QEvent* e) override {
        auto* m = static_cast<WindowMessage*>(e);
        messages.emplace_back(static_cast<int>(e->type()), m->lParam);
    }
};

} // namespace

TEST(BitmapEx, KindsByNameStatesAndShapes) {
    EXPECT_EQ(ImageKindOf("/skins/x.bmp.gif"), ImageBmp);
    EXPECT_EQ(ImageKindOf(".gif"), ImageNone);
    EXPECT_EQ(ImageKindOf("photo.jpeg"), ImageJpeg);
    EXPECT_EQ(ImageKindOf("PHOTO.JPG"), ImageJpeg);
    EXPECT_EQ(ImageKindOf("icon.ico"), ImageIco);
    EXPECT_EQ(ImageKindOf("anim.gif"), ImageGif);
    EXPECT_EQ(ImageKindOf("image.png"), ImageNone);

    QImage wide(402, 3, QImage::Format_RGB32);
    for (int x = 0; x < 402; ++x)
        for (int y = 0; y < 3; ++y)
            wide.setPixel(x, y, qRgb(x % 256, x / 256, 0));
    CBitmapEx strip(wide), state;
    const int starts[] = {0, 100, 201, 301};
    for (int k = 1; k <= 4; ++k) {
        ExtractState(strip, state, k);
        ASSERT_EQ(state.ImageWidth(), 100);
        const int x = starts[k - 1];
        EXPECT_EQ(state.Image().pixel(0, 0), qRgb(x % 256, x / 256, 0)) << k;
    }

    QImage magenta(30, 10, QImage::Format_RGB32);
    for (int x = 0; x < 30; ++x)
        for (int y = 0; y < 10; ++y)
            magenta.setPixel(x, y, qRgb(255, (x + y) % 17, 255));
    EXPECT_TRUE(RegionFromBitmap(magenta).isEmpty());
    magenta.setPixel(5, 3, qRgb(255, 17, 255)); // green above 16 is opaque
    magenta.setPixel(6, 3, qRgb(0, 0, 0));
    QRegion region = RegionFromBitmap(magenta);
    EXPECT_EQ(region.boundingRect(), QRect(5, 3, 2, 1));
    QImage big(300, 300, QImage::Format_RGB32); // more than 2000 runs: batches are joined
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 300; ++x)
            big.setPixel(x, y, x % 2 ? qRgb(255, 0, 255) : qRgb(1, 2, 3));
    EXPECT_EQ(RegionFromBitmap(big).rectCount(), 300 * 150);
}

TEST(BitmapEx, LoadsTheFourKindsAndNothingElse) {
    qvtest::TempDir dir;
    QImage red(8, 6, QImage::Format_RGB32);
    red.fill(Qt::red);
    ASSERT_TRUE(red.save(QString::fromStdString(dir / "a.bmp"), "BMP"));
    ASSERT_TRUE(red.save(QString::fromStdString(dir / "a.jpeg"), "JPEG"));
    ASSERT_TRUE(red.save(QString::fromStdString(dir / "a.ico"), "ICO"));
    ASSERT_EQ(std::system(("convert " + dir / "a.bmp" + " " + dir / "a.gif").c_str()), 0);
    ASSERT_TRUE(red.save(QString::fromStdString(dir / "a.png"), "PNG"));
    for (const char* name : {"a.bmp", "a.jpeg", "a.ico", "a.gif"}) {
        QImage image = LoadImageFile(dir / name);
        ASSERT_FALSE(image.isNull()) << name;
        EXPECT_EQ(image.size(), QSize(8, 6)) << name;
    }
    EXPECT_TRUE(LoadImageFile(dir / "a.png").isNull());
    EXPECT_TRUE(LoadImageFile(dir / "missing.bmp").isNull());
    qvtest::WriteFile(dir / "junk.bmp", "not an image");
    EXPECT_TRUE(LoadImageFile(dir / "junk.bmp").isNull());
}

// Images decoded ahead on another thread are the ones the file gives; what
// was not preloaded, and anything after the preload is dropped, is read from
// the file as before.
TEST(BitmapEx, PreloadedImagesMatchTheFilesAndGoWhenDropped) {
    qvtest::TempDir dir;
    QImage blue(12, 4, QImage::Format_RGB32);
    blue.fill(Qt::blue);
    for (int i = 0; i < 20; ++i)
        ASSERT_TRUE(blue.save(QString::fromStdString(dir.path()) + QString("/b%1.bmp").arg(i)));
    qvtest::WriteFile(dir / "junk.bmp", "not an image");
    qvtest::WriteFile(dir / "notes.txt", "no image either");
    PreloadImageFiles(dir.path() + "/");
    QImage image;
    ASSERT_TRUE(TakePreloadedImage(dir / "b19.bmp", &image)); // waits for the last one
    EXPECT_EQ(image, DecodeImageFile(dir / "b19.bmp"));
    EXPECT_EQ(LoadImageFile(dir / "b0.bmp").pixel(1, 1), qRgb(0, 0, 255));
    ASSERT_TRUE(TakePreloadedImage(dir / "junk.bmp", &image));
    EXPECT_TRUE(image.isNull());
    EXPECT_FALSE(TakePreloadedImage(dir / "notes.txt", &image));

    // The file changes: a preloaded copy is gone once dropped.
    QImage green(12, 4, QImage::Format_RGB32);
    green.fill(Qt::green);
    ASSERT_TRUE(green.save(QString::fromStdString(dir / "b0.bmp")));
    EXPECT_EQ(LoadImageFile(dir / "b0.bmp").pixel(1, 1), qRgb(0, 0, 255));
    DropPreloadedImages();
    EXPECT_FALSE(TakePreloadedImage(dir / "b0.bmp", &image));
    EXPECT_EQ(LoadImageFile(dir / "b0.bmp").pixel(1, 1), qRgb(0, 255, 0));
    // Dropped while it decodes: the worker stops and nothing stays.
    PreloadImageFiles(dir.path() + "/");
    DropPreloadedImages();
    EXPECT_FALSE(TakePreloadedImage(dir / "b5.bmp", &image));
}

TEST(BmpButton, AClickOnlyOnReleaseOverTheButtonAndNoneForTheDoubleClick) {
    QWidget window;
    window.resize(200, 100);
    CBmpButton button(&window, 1017);
    button.SetImage(Strip());
    button.setGeometry(10, 10, 40, 20);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QSignalSpy clicks(&button, &QAbstractButton::clicked);

    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(20, 10));
    EXPECT_EQ(button.PaintState(), 3);
    QTest::mouseMove(&button, QPoint(100, 60)); // off the button
    EXPECT_EQ(button.PaintState(), 1);
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(100, 60));
    EXPECT_EQ(clicks.count(), 0);

    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(20, 10));
    QTest::mouseMove(&button, QPoint(100, 60));
    QTest::mouseMove(&button, QPoint(20, 10)); // back on it
    EXPECT_EQ(button.PaintState(), 3);
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(20, 10));
    EXPECT_EQ(clicks.count(), 1);

    // A double click: press, release, the double-click press, release.
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(20, 10));
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(20, 10));
    QMouseEvent second(QEvent::MouseButtonDblClick, QPointF(20, 10),
                       button.mapToGlobal(QPointF(20, 10)), Qt::LeftButton, Qt::LeftButton,
                       Qt::NoModifier);
    QCoreApplication::sendEvent(&button, &second);
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(20, 10));
    EXPECT_EQ(clicks.count(), 2);
}

TEST(BmpButton, CheckStatesCaptionInsetsAndFont) {
    QWidget window;
    CBmpButton check(&window, 1041);
    check.SetImage(Strip());
    check.SetButtonKind(ButtonCheck);
    check.setGeometry(0, 0, 65, 20);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QTest::mouseMove(&check, QPoint(5, 5));
    EXPECT_EQ(check.PaintState(), 2);
    // The pointer is followed without a grab, which would keep the clicks
    // of a window that opens meanwhile; leaving ends the "over" state.
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&check, &leave);
    EXPECT_EQ(check.PaintState(), 1);
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), check.mapToGlobal(QPointF(5, 5)));
    QCoreApplication::sendEvent(&check, &enter);
    EXPECT_EQ(check.PaintState(), 2);
    QTest::mousePress(&check, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(check.PaintState(), 2); // never checked: pressed still shows "over"
    QTest::mouseRelease(&check, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(check.isChecked()); // the owner decides the check
    check.setChecked(true);
    EXPECT_EQ(check.PaintState(), 3);
    check.setEnabled(false);
    EXPECT_EQ(check.PaintState(), 4);

    check.leftInset = 9;
    EXPECT_EQ(check.CaptionRect().left(), 9);
    check.leftInset = 70;
    EXPECT_EQ(check.CaptionRect().left(), 0);
    check.fontSize = 20;
    check.SetCaptionFont("Verdana", true, false, false);
    EXPECT_EQ(check.fontSize, 11);
    // The window takes the shape of the state image: the magenta corner is out.
    check.repaint();
    EXPECT_FALSE(check.mask().contains(QPoint(0, 0)));
    EXPECT_TRUE(check.mask().contains(QPoint(1, 0)));
}

TEST(BitmapSlider, PixelArithmeticDraggingAndKeys) {
    Parent parent;
    CBitmapSlider slider(&parent, 1046);
    ASSERT_TRUE(slider.SetChannelBitmaps(142, 143));
    ASSERT_TRUE(slider.SetThumbBitmaps(144, 145));
    EXPECT_EQ(slider.size(), QSize(258, 12));
    parent.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
    EXPECT_EQ(slider.PositionToPixel(0), 14);
    EXPECT_EQ(slider.PositionToPixel(100), 244);
    EXPECT_EQ(slider.PositionToPixel(50), 14 + 115);
    EXPECT_EQ(slider.PixelToPosition(14), 0);
    EXPECT_EQ(slider.PixelToPosition(244), 100);

    // A press 60 pixels right of the thumb's centre moves the centre there.
    QTest::mousePress(&slider, Qt::LeftButton, {}, QPoint(14 + 60, 6));
    QCoreApplication::processEvents();
    ASSERT_FALSE(parent.messages.empty());
    EXPECT_EQ(parent.messages.back().first, WM_SLIDER_POSITION);
    EXPECT_EQ(parent.messages.back().second, slider.PixelToPosition(74));
    EXPECT_EQ(slider.Position(), slider.PixelToPosition(74));
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(74, 6));
    QCoreApplication::processEvents();
    EXPECT_EQ(parent.messages.back().first, WM_SLIDER_DONE);

    // A press 5 pixels right of the centre keeps the grip while dragging.
    slider.SetPosition(50);
    const int centre = slider.PositionToPixel(50);
    QTest::mousePress(&slider, Qt::LeftButton, {}, QPoint(centre + 5, 6));
    EXPECT_EQ(slider.Position(), 50);
    QTest::mouseMove(&slider, QPoint(centre + 15, 6));
    EXPECT_NEAR(slider.PositionToPixel(slider.Position()), centre + 10, 1);
    QTest::mouseMove(&slider, QPoint(500, 6)); // beyond the right end
    EXPECT_EQ(slider.PositionToPixel(slider.Position()), 258 - 14);
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(500, 6));

    QCoreApplication::processEvents(); // the drag's messages
    parent.messages.clear();
    slider.SetPosition(90);
    QTest::keyClick(&slider, Qt::Key_PageDown);
    EXPECT_EQ(slider.Position(), 100);
    slider.SetPosition(3);
    QTest::keyClick(&slider, Qt::Key_End);
    EXPECT_EQ(slider.Position(), 100);
    QCoreApplication::processEvents();
    ASSERT_EQ(parent.messages.size(), 2u);
    EXPECT_EQ(parent.messages.back(), std::make_pair(WM_SLIDER_DONE, 100LL));
    QTest::keyClick(&slider, Qt::Key_Home);
    EXPECT_EQ(slider.Position(), 0);
    QTest::keyClick(&slider, Qt::Key_Left);
    EXPECT_EQ(slider.Position(), 0);
}

namespace {

// The text and the picture the chooser's face shows.
std::string FaceText(const CTreeComboBox& combo) {
    for (const QLabel* face : combo.findChildren<QLabel*>())
        if (face->property("controlId").toInt() == CTreeComboBox::IDC_TEXT_FACE)
            return face->text().toStdString();
    return "(no face)";
}
QImage FacePicture(const CTreeComboBox& combo) {
    for (const QLabel* face : combo.findChildren<QLabel*>())
        if (face->property("controlId").toInt() == CTreeComboBox::IDC_ICON_FACE)
            return face->pixmap().toImage();
    return {};
}

class ChoiceParent : public QWidget {
public:
    int chosen = 0;

protected:
    bool event(QEvent* e) override {
        if (e->type() == QEvent::Type(WM_PROFILE_CHOSEN)) {
            ++chosen;
            return true;
        }
        return QWidget::event(e);
    }
};

} // namespace

TEST(TreeComboBox, SelectByTextCellsAndPicking) {
    qvtest::TempDir dir;
    QImage wide(40, 20, QImage::Format_RGB32);
    wide.fill(Qt::blue);
    ASSERT_TRUE(wide.save(QString::fromStdString(dir / "wide.bmp"), "BMP"));

    ChoiceParent parent;
    parent.resize(400, 500);
    CTreeComboBox combo(&parent);
    combo.setGeometry(10, 440, 300, 26);
    combo.AddImage(dir / "wide.bmp", 0);
    combo.AddImage(dir / "missing.bmp", 1);

    QTreeWidgetItem* avi = combo.AddItem(nullptr, "AVI", 0);
    combo.AddItem(avi, "AVI - XviD", 0);
    combo.AddItem(avi, "AVI - H.264", 1);
    QTreeWidgetItem* audio = combo.AddItem(nullptr, "Audio", 1);
    combo.AddItem(audio, "MP3", 1);
    combo.ExpandAll();

    EXPECT_EQ(combo.SelectByText("MP3"), 1);
    EXPECT_EQ(FaceText(combo), "MP3");
    EXPECT_EQ(combo.toolTip(), QStringLiteral("MP3"));
    EXPECT_EQ(combo.SelectByText("mp3"), 0); // letter case counts
    EXPECT_EQ(FaceText(combo), "AVI - XviD");
    // Its picture: 40 x 20 becomes 20 x 10, centred, with the silver frame
    // above and below.
    const QImage cell = FacePicture(combo);
    EXPECT_EQ(cell.size(), QSize(20, 20));
    EXPECT_EQ(QColor(cell.pixel(10, 0)), QColor(0xC0, 0xC0, 0xC0));
    EXPECT_EQ(QColor(cell.pixel(10, 3)), QColor(Qt::white));
    EXPECT_EQ(QColor(cell.pixel(10, 10)), QColor(Qt::blue));
    EXPECT_EQ(QColor(cell.pixel(10, 16)), QColor(Qt::white));
    EXPECT_EQ(combo.SelectByText("Audio"), 0); // a group is no choice
    EXPECT_EQ(combo.Committed()->text(0), QStringLiteral("AVI - XviD"));
    EXPECT_EQ(parent.chosen, 0);

    parent.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
    QTest::mouseClick(&combo, Qt::LeftButton);
    ASSERT_TRUE(combo.Dropped());
    EXPECT_LE(combo.Tree()->geometry().bottom(), combo.mapToGlobal(QPoint(0, 0)).y());
    // A group node expands or collapses and leaves the tree open.
    QTreeWidget* tree = combo.Tree();
    QRect groupRect = tree->visualItemRect(audio);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, groupRect.center());
    EXPECT_TRUE(combo.Dropped());
    EXPECT_EQ(parent.chosen, 0);
    // A leaf closes it and tells the parent.
    QRect leafRect = tree->visualItemRect(avi->child(1));
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, leafRect.center());
    EXPECT_FALSE(combo.Dropped());
    EXPECT_EQ(parent.chosen, 1);
    EXPECT_EQ(FaceText(combo), "AVI - H.264");
    // An arrow key opens it; then the arrows walk the tree, Enter picks a
    // leaf and Esc closes it without a choice.
    combo.setFocus();
    QTest::keyClick(&combo, Qt::Key_Down);
    EXPECT_TRUE(combo.Dropped());
    QTest::keyClick(&combo, Qt::Key_Down);
    EXPECT_TRUE(combo.Dropped());
    QTest::keyClick(&combo, Qt::Key_Escape);
    EXPECT_FALSE(combo.Dropped());
    EXPECT_EQ(FaceText(combo), "AVI - H.264");
    QTest::keyClick(&combo, Qt::Key_Up);
    QTest::keyClick(&combo, Qt::Key_Up);
    QTest::keyClick(&combo, Qt::Key_Return);
    EXPECT_FALSE(combo.Dropped());
    EXPECT_EQ(parent.chosen, 2);
}

TEST(TreeComboBox, OpensFromTheKeyboardAndClosesWhenTheFocusOrTheProgramGoes) {
    ChoiceParent parent;
    parent.resize(400, 500);
    CTreeComboBox combo(&parent);
    combo.setGeometry(10, 440, 300, 26);
    auto* other = new QLineEdit(&parent);
    other->setGeometry(10, 10, 100, 24);
    QTreeWidgetItem* group = combo.AddItem(nullptr, "AVI", -1);
    combo.AddItem(group, "AVI - XviD", -1);
    combo.ExpandAll();
    combo.SelectByText("AVI - XviD");
    parent.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
    parent.activateWindow();
    combo.setFocus();

    // Space, F4 and Alt+Down open it; F4 and Alt+Up close it again.
    QTest::keyClick(&combo, Qt::Key_Space);
    EXPECT_TRUE(combo.Dropped());
    QTest::keyClick(&combo, Qt::Key_F4);
    EXPECT_FALSE(combo.Dropped());
    QTest::keyClick(&combo, Qt::Key_F4);
    EXPECT_TRUE(combo.Dropped());
    QTest::keyClick(&combo, Qt::Key_Up, Qt::AltModifier);
    EXPECT_FALSE(combo.Dropped());
    QTest::keyClick(&combo, Qt::Key_Down, Qt::AltModifier);
    EXPECT_TRUE(combo.Dropped());

    // The focus goes to another control: it closes.
    QFocusEvent focusIn(QEvent::FocusIn, Qt::TabFocusReason);
    QCoreApplication::sendEvent(other, &focusIn);
    EXPECT_FALSE(combo.Dropped());
    // The program is no longer the active one: it closes.
    QTest::keyClick(&combo, Qt::Key_Space);
    ASSERT_TRUE(combo.Dropped());
    QEvent deactivated(QEvent::ApplicationDeactivate);
    QCoreApplication::sendEvent(QCoreApplication::instance(), &deactivated);
    EXPECT_FALSE(combo.Dropped());
    EXPECT_EQ(parent.chosen, 0);
}

TEST(ColumnTreeCtrl, TabSeparatedColumnsAndTheFirstColumnsMinimum) {
    CColumnTreeCtrl ctrl;
    ctrl.resize(300, 200);
    EXPECT_EQ(ctrl.InsertColumn(0, CColumnTreeCtrl::AlignLeft, 210, "源文件"), 0);
    ctrl.InsertColumn(1, CColumnTreeCtrl::AlignLeft, 80, "长度");
    ctrl.InsertColumn(2, CColumnTreeCtrl::AlignCenter, 80, "开始时间");
    ctrl.InsertColumn(3, CColumnTreeCtrl::AlignRight, 80, "结束时间");
    QTreeWidget* tree = ctrl.GetTreeCtrl();
    auto* item = new QTreeWidgetItem(tree);
    ctrl.SetItemText(item, "clip.avi");
    ctrl.SetItemColumnText(item, 2, "00:00:10");
    EXPECT_EQ(CColumnTreeCtrl::ItemText(item), "clip.avi\t\t00:00:10\t\t");
    EXPECT_EQ(item->text(0), QStringLiteral("clip.avi"));
    EXPECT_EQ(item->text(2), QStringLiteral("00:00:10"));
    EXPECT_TRUE(item->textAlignment(2) & Qt::AlignHCenter);
    EXPECT_TRUE(item->textAlignment(3) & Qt::AlignRight);
    ctrl.SetItemColumnText(item, 1, "01:30:00");
    ctrl.SetItemColumnText(item, 3, "01:30:00");
    EXPECT_EQ(CColumnTreeCtrl::ItemText(item), "clip.avi\t01:30:00\t00:00:10\t01:30:00\t");

    ctrl.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&ctrl));
    tree->header()->resizeSection(0, 60); // as a drag of the divider would
    EXPECT_EQ(tree->header()->sectionSize(0), CColumnTreeCtrl::kMinFirstColumn);
    tree->header()->resizeSection(0, 150);
    EXPECT_EQ(tree->header()->sectionSize(0), 150);
    // 450 pixels of columns in a 300-pixel control: the tree scrolls sideways.
    tree->header()->resizeSection(0, 210);
    QCoreApplication::processEvents();
    EXPECT_GT(tree->horizontalScrollBar()->maximum(), 0);
}

namespace {

// A window with the controls a skin may name.
struct SkinWindow {
    QWidget window;
    CBmpButton* b1014 = new CBmpButton(&window, 1014);
    CBmpButton* b1015 = new CBmpButton(&window, 1015);
    CBmpButton* b1001 = new CBmpButton(&window, 1001);
    QWidget* list = new QWidget(&window);
    QWidget* picture = new QWidget(&window);
    SkinWindow() {
        list->setProperty("controlId", 1006);
        picture->setProperty("controlId", 1100);
        picture->setProperty("imageStatic", true);
    }
};

std::string Button(int id, const char* file, int left, int top, int w, int h, int kind = 0,
                   int hide = 0) {
    return "<BmpButton><BmpButtonID>" + std::to_string(id) + "</BmpButtonID><szFilePath>" + file +
           "</szFilePath><left>" + std::to_string(left) + "</left><top>" + std::to_string(top) +
           "</top><length>" + std::to_string(w) + "</length><height>" + std::to_string(h) +
           "</height><ButtonType>" + std::to_string(kind) + "</ButtonType><ButtonShowHide>" +
           std::to_string(hide) + "</ButtonShowHide></BmpButton>";
}

void WriteSkin(const std::string& folder, const std::string& buttons,
               const std::string& rest = "") {
    ::mkdir(folder.c_str(), 0755);
    qvtest::WriteFile(folder + "/SkinSetting.xml",
                      "<AppSetting><MainDlgSetting><Custom><CtlBkColor> 255</CtlBkColor></Custom>"
                      "<BackGround><szFilePath>bg.bmp</szFilePath></BackGround><BmpButtons>" +
                          buttons + "</BmpButtons>" + rest + "</MainDlgSetting></AppSetting>");
}

} // namespace

TEST(Skin, ButtonsStaticsAndPlacesFromTheDescription) {
    qvtest::TempDir dir;
    Strip().save(QString::fromStdString(dir / "strip.bmp"), "BMP");
    Strip().save(QString::fromStdString(dir / "bg.bmp"), "BMP");
    const std::string a = dir.path() + "/";
    WriteSkin(
        a,
        Button(1014, "strip.bmp", 10, 10, 40, 20) + Button(1015, "strip.bmp", 10, 10, 40, 20, 1) +
            Button(1001, "strip.bmp", 60, 10, 40, 20, 0, 1) + Button(4242, "strip.bmp", 0, 0, 5, 5),
        "<BmpStatics><BmpStatic><BmpStaticID>1100</BmpStaticID><szFilePath>strip.bmp</szFilePath>"
        "<left>1</left><top>2</top><length>3</length><height>4</height><extendnx>-1</extendnx>"
        "<extendny>5</extendny><parentid>0</parentid></BmpStatic></BmpStatics>"
        "<WindowsPos><WindowPos><ControlID>1006</ControlID><left>50</left><top>111</top>"
        "<length>470</length><height>265</height></WindowPos></WindowsPos>");
    SkinWindow w;
    ApplySkinControls(a, &w.window, "MainDlgSetting");
    EXPECT_EQ(w.b1014->geometry(), QRect(10, 10, 40, 20));
    const QObjectList order = w.window.children();
    EXPECT_GT(order.indexOf(w.b1015), order.indexOf(w.b1014)) << "1015 lies above 1014";
    EXPECT_EQ(w.b1015->buttonKind, ButtonCheck);
    EXPECT_FALSE(w.b1001->isVisibleTo(&w.window));
    EXPECT_FALSE(w.b1014->Image().IsNull());
    EXPECT_EQ(w.picture->property("extendPoint").toPoint(), QPoint(0, 0));
    EXPECT_EQ(w.list->geometry(), QRect(50, 111, 470, 265));
    EXPECT_EQ(ReadSkinColour(a), 255u);
    CBitmapEx bg;
    ApplySkinBackground(a, bg, "MainDlgSetting");
    EXPECT_EQ(bg.ImageWidth(), 160);

    // Another skin that does not place 1006 leaves it where the first one did.
    qvtest::TempDir other;
    WriteSkin(other.path(), Button(1014, "missing.bmp", 5, 5, 40, 20));
    ApplySkinControls(other.path() + "/", &w.window, "MainDlgSetting");
    EXPECT_EQ(w.list->geometry(), QRect(50, 111, 470, 265));
    EXPECT_TRUE(w.b1014->Image().IsNull()); // an image that does not load: no image
    ApplySkinBackground(other.path() + "/", bg, "MainDlgSetting");
    EXPECT_TRUE(bg.IsNull());
}

TEST(Skin, BadDescriptionsChangeOnlyWhatIsValid) {
    SkinWindow w;
    w.b1014->setGeometry(1, 2, 3, 4);
    qvtest::TempDir dir;
    EXPECT_EQ(ReadSkinColour(dir / "none/"), kDefaultSkinColour);
    ApplySkinControls(dir / "none/", &w.window, "MainDlgSetting");
    qvtest::WriteFile(dir / "SkinSetting.xml", "<AppSetting><MainDlgSetting><BmpButtons>");
    ApplySkinControls(dir.path() + "/", &w.window, "MainDlgSetting");
    EXPECT_EQ(ReadSkinColour(dir.path() + "/"), kDefaultSkinColour);
    EXPECT_EQ(w.b1014->geometry(), QRect(1, 2, 3, 4));

    std::string many;
    for (int i = 0; i < 10000; ++i)
        many += Button(i % 3 == 0 ? 1014 : 9000 + i, "x.bmp", i, i, 10, 10);
    many += Button(1015, "x.bmp", -5, -5, -100, 999999); // nonsense sizes
    WriteSkin(dir.path(), many);
    ApplySkinControls(dir.path() + "/", &w.window, "MainDlgSetting");
    EXPECT_EQ(w.b1014->geometry(), QRect(258, 258, 10, 10)); // only the first 260 entries count
    EXPECT_NE(w.b1015->size(), QSize(-100, 999999));

    // Two statics naming each other as parent: the second would close a cycle.
    auto* second = new QWidget(&w.window);
    second->setProperty("controlId", 1101);
    second->setProperty("imageStatic", true);
    auto parented = [](int id, int parent) {
        return "<BmpStatic><BmpStaticID>" + std::to_string(id) + "</BmpStaticID><parentid>" +
               std::to_string(parent) + "</parentid></BmpStatic>";
    };
    WriteSkin(dir.path(), "",
              "<BmpStatics>" + parented(1101, 1100) + parented(1100, 1101) + "</BmpStatics>");
    ApplySkinControls(dir.path() + "/", &w.window, "MainDlgSetting");
    EXPECT_EQ(second->parentWidget(), w.picture);
    EXPECT_EQ(w.picture->parentWidget(), &w.window);
}

TEST(Skin, TheShippedSkinsGiveEveryButtonItsFourStates) {
    for (const char* name : {"Default", "Midnight"}) {
        const std::string folder = SkinFolder(QV_PROGRAM_DIR + std::string("/"), name);
        QWidget window;
        std::vector<CBmpButton*> buttons;
        for (int id : {1000, 1001, 1002, 1004, 1005, 1010, 1012, 1013, 1014, 1015, 1017, 1019, 1039,
                       1041, 1064, 1065})
            buttons.push_back(new CBmpButton(&window, id));
        ApplySkinControls(folder, &window, "MainDlgSetting");
        for (CBmpButton* b : buttons) {
            ASSERT_FALSE(b->Image().IsNull()) << name << " " << b->property("controlId").toInt();
            EXPECT_EQ(b->Image().ImageWidth(), 4 * b->width()) << name;
            EXPECT_EQ(b->Image().ImageHeight(), b->height()) << name;
            EXPECT_FALSE(RegionFromBitmap(b->Image().Image()).isEmpty());
        }
        CBitmapEx bg;
        ApplySkinBackground(folder, bg, "MainDlgSetting");
        EXPECT_EQ(bg.BitmapRect(), QRect(0, 0, 860, 530)) << name;
        EXPECT_NE(ReadSkinColour(folder), kDefaultSkinColour);
    }
}
