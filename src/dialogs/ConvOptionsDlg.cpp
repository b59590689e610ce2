#include "ConvOptionsDlg.h"

#include "DialogUtil.h"
#include "DirDialog.h"
#include "services/Services.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace qv {

namespace {

// The names the caller keeps (the built-in texts), the language file's keys
// for what the list shows, and the priority classes.
struct Priority {
    const char* name;
    const char* key;
    int value;
};
const Priority kPriorities[] = {
    {"空闲", "PriorityIdle", 64},   {"低于标准", "PriorityBelowNormal", 16384},
    {"标准", "PriorityNormal", 32}, {"高于标准", "PriorityAboveNormal", 32768},
    {"高", "PriorityHigh", 128},    {"实时", "PriorityRealTime", 256}};

template <typename W> W* Child(QWidget* w, int id) {
    return qobject_cast<W*>(FindControl(w, id));
}

} // namespace

std::string PriorityName(int priorityClass) {
    for (const Priority& p : kPriorities)
        if (p.value == priorityClass)
            return p.name;
    return "";
}

int PriorityFromName(const std::string& name) {
    for (const Priority& p : kPriorities)
        if (name == p.name)
            return p.value;
    return 32;
}

COptionsPgGeneral::COptionsPgGeneral(bool multi, const std::string& priority,
                                     const std::string& snapshot, QWidget* parent)
    : QWidget(parent), multiThread(multi), priorityName(priority), snapshotDir(snapshot) {
    auto* threads = new QGroupBox(Literal(DlgText("DlgOptions", "Threads", "进程 & 线程")), this);
    auto* single = Tag(
        new QRadioButton(DlgText("DlgOptions", "SingleThread", "单线程转换 (占用资源少)"), threads),
        IDC_SINGLE);
    auto* multiple =
        Tag(new QRadioButton(DlgText("DlgOptions", "MultiThread", "多线程转换 (转换速度更快)"),
                             threads),
            IDC_MULTI);
    auto* priorities = Tag(new QComboBox(threads), IDC_PRIORITY);
    auto* threadsLayout = new QVBoxLayout(threads);
    threadsLayout->addWidget(single);
    threadsLayout->addWidget(multiple);
    auto* priorityRow = new QFormLayout;
    priorityRow->addRow(DlgText("DlgOptions", "Priority", "进程优先级:"), priorities);
    threadsLayout->addLayout(priorityRow);

    auto* snapshots = new QGroupBox(DlgText("DlgOptions", "Snapshots", "快照文件夹"), this);
    auto* folder = Tag(new QLineEdit(snapshots), IDC_SNAPSHOT);
    auto* browse =
        Tag(new QPushButton(DlgText("Dialog", "Browse", "浏览..."), snapshots), IDC_BROWSE);
    auto* snapshotLayout = new QHBoxLayout(snapshots);
    snapshotLayout->addWidget(folder, 1);
    snapshotLayout->addWidget(browse);
    connect(browse, &QPushButton::clicked, this, &COptionsPgGeneral::Browse);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(threads);
    layout->addWidget(snapshots);
    layout->addStretch();

    (multiThread ? multiple : single)->setChecked(true);
    // Listed in the user's language; the caller gets the built-in name back.
    int current = -1;
    for (const Priority& p : kPriorities) {
        if (priorityName == p.name)
            current = priorities->count();
        priorities->addItem(DlgText("DlgOptions", p.key, p.name));
    }
    priorities->setCurrentIndex(current);
    folder->setText(Q(snapshotDir));
    folder->setCursorPosition(0);
}

void COptionsPgGeneral::KillActive() {
    multiThread = Child<QRadioButton>(this, IDC_MULTI)->isChecked();
    QComboBox* priorities = Child<QComboBox>(this, IDC_PRIORITY);
    const int chosen = priorities->currentIndex();
    priorityName = chosen >= 0 && chosen < static_cast<int>(std::size(kPriorities))
                       ? kPriorities[chosen].name
                       : "";
    snapshotDir = Child<QLineEdit>(this, IDC_SNAPSHOT)->text().toStdString();
}

void COptionsPgGeneral::Browse() {
    QLineEdit* folder = Child<QLineEdit>(this, IDC_SNAPSHOT);
    snapshotDir = folder->text().toStdString();
    CDirDialog picker;
    picker.windowTitle = picker.prompt = UiText("DlgOptions", "ChooseSnapshot", "选择快照文件夹");
    picker.initialFolder = snapshotDir;
    if (picker.Browse(this) == 1) {
        snapshotDir = picker.chosenPath;
        folder->setText(Q(snapshotDir));
        folder->setCursorPosition(0);
    }
}

COptionsPgVideo::COptionsPgVideo(int driver, bool fitW, bool fitH, bool exp, bool r16,
                                 QWidget* parent)
    : QWidget(parent), videoDriver(driver), fitWidth(fitW), fitHeight(fitH), expand(exp),
      round16(r16) {
    auto* preview = new QGroupBox(DlgText("DlgOptions", "Preview", "视频预览"), this);
    auto* d3d = Tag(new QRadioButton(QStringLiteral("Direct3D"), preview), IDC_D3D);
    auto* gl = Tag(new QRadioButton(QStringLiteral("OpenGL"), preview), IDC_GL);
    auto* gl2 = Tag(new QRadioButton(QStringLiteral("OpenGL 2"), preview), IDC_GL2);
    auto* previewLayout = new QHBoxLayout(preview);
    previewLayout->addWidget(
        new QLabel(DlgText("DlgOptions", "VideoDriver", "视频驱动:"), preview));
    for (QRadioButton* r : {d3d, gl, gl2})
        previewLayout->addWidget(r);
    previewLayout->addStretch();

    auto* fitting = new QGroupBox(DlgText("DlgOptions", "Fitting", "视频调整"), this);
    auto* width =
        Tag(new QCheckBox(DlgText("DlgOptions", "FitWidth", "适合宽度"), fitting), IDC_FIT_WIDTH);
    auto* height =
        Tag(new QCheckBox(DlgText("DlgOptions", "FitHeight", "适合高度"), fitting), IDC_FIT_HEIGHT);
    auto* expandBox =
        Tag(new QCheckBox(DlgText("DlgOptions", "Expand", "扩展到视频尺寸"), fitting), IDC_EXPAND);
    auto* roundBox =
        Tag(new QCheckBox(DlgText("DlgOptions", "Round16", "一轮 16 像素"), fitting), IDC_ROUND16);
    auto* fitLayout = new QGridLayout(fitting);
    fitLayout->addWidget(width, 0, 0);
    fitLayout->addWidget(height, 0, 1);
    fitLayout->addWidget(expandBox, 1, 0);
    fitLayout->addWidget(roundBox, 1, 1);
    connect(width, &QCheckBox::clicked, this, [this] { FitClicked(IDC_FIT_WIDTH); });
    connect(height, &QCheckBox::clicked, this, [this] { FitClicked(IDC_FIT_HEIGHT); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(preview);
    layout->addWidget(fitting);
    layout->addStretch();

    // Radio buttons that are not in one group: "none checked" must be possible.
    for (QRadioButton* r : {d3d, gl, gl2})
        r->setAutoExclusive(false);
    for (QRadioButton* r : {d3d, gl, gl2})
        connect(r, &QRadioButton::clicked, this, [r, d3d, gl, gl2] {
            for (QRadioButton* other : {d3d, gl, gl2})
                other->setChecked(other == r);
        });
    d3d->setChecked(videoDriver == 6);
    gl->setChecked(videoDriver == 4);
    gl2->setChecked(videoDriver == 5);
    width->setChecked(fitWidth);
    height->setChecked(fitHeight);
    expandBox->setChecked(expand);
    roundBox->setChecked(round16);
    expandBox->setEnabled(fitWidth || fitHeight);
    roundBox->setEnabled(fitWidth || fitHeight);
}

void COptionsPgVideo::FitClicked(int id) {
    QCheckBox* width = Child<QCheckBox>(this, IDC_FIT_WIDTH);
    QCheckBox* height = Child<QCheckBox>(this, IDC_FIT_HEIGHT);
    if (width->isChecked() && height->isChecked())
        (id == IDC_FIT_WIDTH ? height : width)->setChecked(false);
    const bool any = width->isChecked() || height->isChecked();
    Child<QCheckBox>(this, IDC_EXPAND)->setEnabled(any);
    Child<QCheckBox>(this, IDC_ROUND16)->setEnabled(any);
}

void COptionsPgVideo::KillActive() {
    if (Child<QRadioButton>(this, IDC_D3D)->isChecked())
        videoDriver = 6;
    else if (Child<QRadioButton>(this, IDC_GL)->isChecked())
        videoDriver = 4;
    else if (Child<QRadioButton>(this, IDC_GL2)->isChecked())
        videoDriver = 5;
    fitWidth = Child<QCheckBox>(this, IDC_FIT_WIDTH)->isChecked();
    fitHeight = Child<QCheckBox>(this, IDC_FIT_HEIGHT)->isChecked();
    expand = Child<QCheckBox>(this, IDC_EXPAND)->isChecked();
    round16 = Child<QCheckBox>(this, IDC_ROUND16)->isChecked();
}

CConvOptionsDlg::CConvOptionsDlg(COptionsPgGeneral* general, COptionsPgVideo* video,
                                 QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(DlgText("DlgOptions", "Title", "选项"));
    sheet_ = new QTabWidget(this);
    sheet_->addTab(general, DlgText("DlgOptions", "General", "常规"));
    sheet_->addTab(video, DlgText("DlgOptions", "Video", "视频"));
    QDialogButtonBox* buttons = OkCancelButtons(this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(sheet_);
    layout->addWidget(buttons);
    // A page is read when the user leaves it.
    connect(sheet_, &QTabWidget::currentChanged, this, [this, general, video](int now) {
        if (active_ == 0)
            general->KillActive();
        else
            video->KillActive();
        active_ = now;
    });
}

void CConvOptionsDlg::accept() {
    QWidget* page = sheet_->currentWidget();
    if (auto* g = qobject_cast<COptionsPgGeneral*>(page))
        g->KillActive();
    else if (auto* v = qobject_cast<COptionsPgVideo*>(page))
        v->KillActive();
    QDialog::accept();
}

} // namespace qv
