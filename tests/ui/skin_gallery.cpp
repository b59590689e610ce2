// Every skinned control on an 860x530 window with a skin applied, for
// looking at it under Xvfb.   qv_skin_gallery [SKIN]
#include "base/ProgramFolder.h"
#include "controls/BitmapSlider.h"
#include "controls/BmpButton.h"
#include "controls/ColumnTreeCtrl.h"
#include "controls/Skin.h"
#include "controls/TreeComboBox.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QTreeWidget>

namespace {

class Gallery : public QWidget {
public:
    qv::CBitmapEx background;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        qv::DrawResized(background, p, rect());
    }
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const std::string skin = argc > 1 ? argv[1] : "Default";
    Gallery window;
    window.setFixedSize(860, 530);
    for (int id : {1000, 1001, 1002, 1004, 1005, 1010, 1012, 1013, 1014, 1015, 1017, 1019, 1039,
                   1041, 1064, 1065})
        new qv::CBmpButton(&window, id);
    auto caption = [&](int id, const char* text, int inset) {
        for (auto* b : window.findChildren<qv::CBmpButton*>())
            if (b->property("controlId").toInt() == id) {
                b->SetCaption(text);
                b->SetCaptionFont("Verdana", false, false, false);
                b->leftInset = inset;
                b->normalColour = b->hoverColour = b->pressedColour = 0x00E0E0E0;
            }
    };
    auto* list = new qv::CColumnTreeCtrl(&window);
    list->InsertColumn(0, 0, 210, "源文件");
    list->InsertColumn(1, 0, 80, "长度");
    list->InsertColumn(2, 2, 80, "开始时间");
    list->InsertColumn(3, 1, 80, "结束时间");
    for (const char* name : {"假期 2026.mp4", "Concert.mkv", "Interview.avi"}) {
        auto* item = new QTreeWidgetItem(list->GetTreeCtrl());
        item->setCheckState(0, Qt::Checked);
        list->SetItemText(item, std::string(name) + "\t00:42:10\t00:00:00\t00:42:10\t");
    }
    const std::string program = qv::ProgramFolder() + "../";
    const std::string folder = qv::SkinFolder(program, skin);
    qv::ApplySkinControls(folder, &window, "MainDlgSetting");
    qv::ApplySkinBackground(folder, window.background, "MainDlgSetting");
    caption(1010, "设置", 9);
    caption(1012, "浏览...", 2);
    caption(1013, "打开", 10);

    auto label = [&](const char* text, int x, int y, int w) {
        auto* l = new qv::CColorStatic(&window);
        l->SetText(text);
        l->SetTextFont("Verdana", false, false, false);
        l->textColour = 0x00FAFAFA;
        l->setGeometry(x, y, w, 20);
    };
    label("字幕", 52, 410, 50);
    label("音轨", 288, 410, 80);
    label("配置", 52, 440, 50);
    label("输出", 52, 470, 50);
    auto* subtitles = new QComboBox(&window);
    subtitles->addItem("无");
    subtitles->setGeometry(105, 409, 140, 20);
    subtitles->setEnabled(false);
    auto* audio = new QComboBox(&window);
    audio->setGeometry(375, 409, 140, 20);
    audio->setEnabled(false);
    auto* profiles = new qv::CTreeComboBox(&window);
    profiles->setGeometry(105, 439, 410, 22);
    profiles->AddImage(program + "Profiles/icon/mp4.bmp", 0);
    profiles->AddImage(program + "Profiles/icon/h264.bmp", 1);
    auto* group = profiles->AddItem(nullptr, "MP4", 0);
    profiles->AddItem(group, "MP4 - H.264 Video", 1);
    profiles->ExpandAll();
    profiles->SelectByText("MP4 - H.264 Video");
    auto* output = new QLineEdit("/home/user/Documents/Quorvane/", &window);
    output->setGeometry(105, 469, 333, 20);
    auto* slider = new qv::CBitmapSlider(&window, 1046);
    slider->SetChannelBitmaps(142, 143);
    slider->SetThumbBitmaps(144, 145);
    slider->move(553, 320);
    slider->SetPosition(35);
    auto* preview = new QLabel(&window);
    preview->setPixmap(QPixmap::fromImage(qv::ProgramBitmap(133)));
    preview->setGeometry(551, 124, 258, 180);
    auto* time = new QLabel("00:14:45/00:42:10", &window);
    time->setStyleSheet("color: rgb(180,180,180);");
    time->move(718, 350);
    auto* name = new QLabel("假期 2026.mp4", &window);
    name->setStyleSheet("color: rgb(180,180,180);");
    name->setGeometry(620, 106, 124, 15);
    window.show();
    return app.exec();
}
