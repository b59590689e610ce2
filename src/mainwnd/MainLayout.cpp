// The main window's start-up: its controls, captions, skin and places.
#include "MainLayout.h"
#include "ConverterDlg.h"
#include "Preview.h"
#include "WindowText.h"

#include "base/ProgramFolder.h"
#include "controls/BitmapSlider.h"
#include "controls/BmpButton.h"
#include "controls/ColumnTreeCtrl.h"
#include "controls/ImagePreload.h"
#include "controls/Skin.h"
#include "controls/SkinnedAccessible.h"
#include "controls/TreeComboBox.h"
#include "lorvesta/Lorvesta.h"
#include "platform/ControlId.h"
#include "platform/UserServices.h"
#include "player/MPlayer.h"
#include "services/Services.h"
#include "settings/Ini.h"

#include <QComboBox>
#include <QCursor>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainterPath>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <QTreeWidget>

#include <unistd.h>

namespace qv {

namespace {

constexpr int kButtonIds[] = {1000, 1001, 1002, 1004, 1005, 1010, 1012, 1013,
                              1014, 1015, 1017, 1019, 1039, 1041, 1064, 1065};

// Texts of the window when no language file is there.
struct Caption {
    int id;
    const char* key;
    const char* builtIn;
};
constexpr Caption kLabelCaptions[] = {
    {1028, "stSubTitle", "字幕"},
    {1030, "stProfile", "配置"},
    {1031, "stOutput", "输出"},
    {1029, "stAudioTrack", "音轨"},
};
struct ButtonCaption {
    int id;
    const char* key;
    const char* builtIn;
    int leftInset;
};
constexpr ButtonCaption kButtonCaptions[] = {
    {1010, "btnSetting", "设置", 9},
    {1012, "btnBrowse", "浏览...", 2},
    {1013, "btnOpen", "打开", 10},
};

// The name and tooltip of each control a user reaches, with its shortcut.
struct ControlTip {
    int id;
    const char* key;
    const char* builtIn;
    const char* shortcut;
};
constexpr ControlTip kTips[] = {
    {1006, "tipSourceList", "源文件列表", ""},
    {1008, "tipAudioTrack", "音轨", ""},
    {1007, "tipSubtitle", "字幕", ""},
    {1018, "tipProfile", "输出配置", ""},
    {1010, "tipSettings", "配置设置", ""},
    {1011, "tipOutputFolder", "输出文件夹", ""},
    {1012, "tipBrowse", "浏览输出文件夹", ""},
    {1013, "tipOpen", "打开输出文件夹", ""},
    {1017, "tipStart", "开始转换", "Ctrl+Return"},
    {1014, "tipPlay", "播放", "Ctrl+P"},
    {1015, "tipStop", "停止", "Ctrl+P"},
    {1064, "tipSnapshot", "截图", ""},
    {1065, "tipSnapshotFolder", "打开截图文件夹", ""},
    {1046, "tipSeek", "播放位置", ""},
    {1000, "tipAddVideo", "添加视频", "Ctrl+O"},
    {1001, "tipAddDvd", "添加 DVD", "Ctrl+D"},
    {1002, "tipRemove", "移除", "Delete"},
    {1019, "tipOptions", "选项", ""},
    {1005, "tipSkinUpdate", "皮肤和更新", ""},
    {1004, "tipHelp", "帮助", "F1"},
    {1039, "tipMinimize", "最小化", ""},
    {1041, "tipClose", "关闭", "Ctrl+Q"},
};

constexpr QRgb kLabelColour = 0x00FAFAFA;   // RGB(250, 250, 250), as 0x00BBGGRR
constexpr QRgb kCaptionColour = 0x00E6E6E6; // the captions of the small buttons
const QColor kPanelColour(78, 78, 78);
const QColor kPreviewTextColour(180, 180, 180);

QLabel* TransparentLabel(QWidget* parent, int id) {
    auto* label = Tag(new QLabel(parent), id);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, kPreviewTextColour);
    label->setPalette(palette);
    return label;
}

} // namespace

void CConverterDlg::OnInitDialog() {
    // 1. The window and its icon.
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowMinimizeButtonHint);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAcceptDrops(true);
    setWindowIcon(QIcon(QPixmap::fromImage(ProgramBitmap(kWindowIcon))));

    // 2. Settings, read first so that the skin's images are decoded on
    // another core while the controls are made.
    const CIni ini(env_.settingsFile);
    LoadedSettings loaded = env_.documentsFolder.empty() ? LoadSettings(ini, UserDefaultFolders())
                                                         : LoadSettings(ini, env_.documentsFolder);
    settings_ = loaded.record;
    outputFolder_ = loaded.outputFolder;
    defaultProfile_ = loaded.defaultProfile;
    PreloadImageFiles(
        SkinFolder(env_.programFolder, settings_.Skin.empty() ? "Default" : settings_.Skin));

    CreateControls();
    // Drags over any control come to the window (see TakeDrag).
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);

    // 3. Language.
    LangOpen((env_.programFolder + "Lang/*.xml").c_str());
    const bool haveLanguage = LangAvailable() > 0;
    if (haveLanguage) {
        LangSelectLocale(settings_.Language.c_str());
        setWindowTitle(QStringLiteral("Quorvane Pro"));
    }
    ApplyCaptions(haveLanguage);
    ApplyTips(haveLanguage);
    // A snapshot folder that could not be made is said once the window shows.
    if (!loaded.unusableSnapshotDir.empty())
        QTimer::singleShot(0, this, [this, unusable = loaded.unusableSnapshotDir] {
            TellSnapshotFolderUnusable(unusable, settings_.SnapshotDir);
        });

    // 4. The seek slider.
    seek_->SetChannelBitmaps(142, 143);
    seek_->SetThumbBitmaps(144, 145);
    seek_->rangeMin = PreviewController::kSliderMin;
    seek_->rangeMax = PreviewController::kSliderMax;
    seek_->SetPosition(PreviewController::kSliderMin);

    // 6. The time text.
    timeText_->setText(QStringLiteral("00:00:00/00:00:00"));

    // 7. The source list's columns.
    sourceList_->InsertColumn(0, CColumnTreeCtrl::AlignLeft, 210, "");
    sourceList_->InsertColumn(1, CColumnTreeCtrl::AlignLeft, 80, "");
    sourceList_->InsertColumn(2, CColumnTreeCtrl::AlignCenter, 80, "");
    sourceList_->InsertColumn(3, CColumnTreeCtrl::AlignRight, 80, "");
    ApplyColumnTitles();

    // 9. Size, place on the screen and the rounded shape.
    setFixedSize(kWidth, kHeight);
    // On the screen it opens on: the one under the pointer, else the primary.
    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen)
        move(CentredOrigin(screen->geometry(), size()));
    QPainterPath shape;
    shape.addRoundedRect(QRectF(0, 0, kWidth, kHeight), 3, 3);
    setMask(QRegion(shape.toFillPolygon().toPolygon()));

    // 10 to 13. The skin, the Add DVD button whatever the skin says, the
    // places, and the list only when it holds items.
    ApplySkin(true);
    DropPreloadedImages();
    if (QWidget* addDvd = Control(IDC_ADD_DVD))
        addDvd->show();
    PlaceControls();
    subtitles_->setEnabled(false);
    audioTracks_->setEnabled(false);
    UpdateListVisibility();

    // 14. Profiles.
    LoadProfileList();

    // 15. The preview picture.
    auto* picture = new CPreviewPicture(this);
    Tag(picture, IDC_PREVIEW_PICTURE);
    picture->SetImage(ProgramBitmap(kPreviewBitmap));
    picture->setGeometry(kPreviewPlace);
    picture->show();
    previewPicture_ = picture;

    // 16. The player; without one the window opens without what follows.
    preview_.SetSnapshotFolder(settings_.SnapshotDir);
    if (!CreatePlayer()) {
        Log("The preview player could not be created: codecs/vistrel is missing or cannot run");
        return;
    }
    // 17. The update check, shortly after start-up.
    updateTimer_.start(kUpdateDelayMs, this);
    // 18. The start line.
    LogF("--------------------- Start Converter.exe %s --------------------",
         FileVersionText().c_str());
    // 19. The output folder into its box.
    outputEdit_->setText(QString::fromStdString(outputFolder_));
}

void CConverterDlg::CreateControls() {
    for (int id : kButtonIds) {
        auto* button = new CBmpButton(this, id);
        connect(button, &QAbstractButton::clicked, this, [this, id] { OnCommand(id); });
    }
    sourceList_ = new CColumnTreeCtrl(this, IDC_SOURCE_LIST);
    QTreeWidget* tree = sourceList_->GetTreeCtrl();
    tree->setRootIsDecorated(true);
    tree->setSelectionMode(QAbstractItemView::SingleSelection);
    tree->setSelectionBehavior(QAbstractItemView::SelectRows);
    connect(sourceList_, &CColumnTreeCtrl::SelectionChanged, this,
            &CConverterDlg::OnSourceSelectionChanged);
    connect(sourceList_, &CColumnTreeCtrl::ContextMenu, this, &CConverterDlg::OnSourceContextMenu);
    connect(tree, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item) { OnSourceDoubleClick(item); });
    connect(sourceList_, &CColumnTreeCtrl::ItemCheckChanged, this,
            &CConverterDlg::OnItemCheckChanged);
    tree->installEventFilter(this);

    subtitles_ = Tag(new QComboBox(this), IDC_SUBTITLES);
    audioTracks_ = Tag(new QComboBox(this), IDC_AUDIO_TRACKS);
    connect(subtitles_, &QComboBox::activated, this, &CConverterDlg::OnSubtitleChanged);
    connect(audioTracks_, &QComboBox::activated, this, &CConverterDlg::OnAudioTrackChanged);
    profileChooser_ = new CTreeComboBox(this, IDC_PROFILES);
    outputEdit_ = Tag(new QLineEdit(this), IDC_OUTPUT_FOLDER);
    outputEdit_->installEventFilter(this);

    for (const Caption& c : kLabelCaptions) {
        auto* label = new CColorStatic(this, c.id);
        label->SetTextFont("Verdana", false, false, false);
        label->textColour = kLabelColour;
    }
    timeText_ = TransparentLabel(this, IDC_TIME_TEXT);
    timeText_->setFont(SkinFont("Verdana", 11, false, false, false));
    previewCaption_ = TransparentLabel(this, IDC_PREVIEW_CAPTION);
    previewCaption_->setFont(SkinFont("Verdana", 11, false, false, false));
    seek_ = new CBitmapSlider(this, IDC_SEEK);

    // F1 opens the help file, as the accelerator table says; the others are
    // the keyboard's way to the buttons.
    const std::pair<QKeySequence, int> shortcuts[] = {
        {QKeySequence(Qt::Key_F1), ID_HELP_FILE},
        {QKeySequence(Qt::CTRL | Qt::Key_O), IDC_ADD_VIDEO},
        {QKeySequence(Qt::CTRL | Qt::Key_D), IDC_ADD_DVD},
        {QKeySequence(Qt::CTRL | Qt::Key_Return), IDC_START},
        {QKeySequence(Qt::CTRL | Qt::Key_Enter), IDC_START},
        {QKeySequence(Qt::CTRL | Qt::Key_P), kPlayOrStop},
        {QKeySequence(Qt::CTRL | Qt::Key_Q), IDC_CLOSE},
    };
    for (const auto& [keys, command] : shortcuts) {
        auto* shortcut = new QShortcut(keys, this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, [this, command = command] {
            if (command != kPlayOrStop)
                return OnCommand(command);
            const bool running = preview_.State() != PlayerStopped;
            OnCommand(running ? IDC_STOP : IDC_PLAY);
        });
    }
    InstallSkinnedAccessibility();
}

// Tooltips and accessible names, and the order Tab walks the controls in.
void CConverterDlg::ApplyTips(bool fromLanguage) {
    QWidget* previous = nullptr;
    for (const ControlTip& t : kTips) {
        QWidget* w = Control(t.id);
        if (!w)
            continue;
        const std::string text = fromLanguage ? TextOr("Tips", t.key, t.builtIn) : t.builtIn;
        QString name = QString::fromStdString(text);
        QString tip =
            *t.shortcut ? name + QStringLiteral(" (%1)").arg(QLatin1String(t.shortcut)) : name;
        QWidget* focusTarget = w;
        if (t.id == IDC_SOURCE_LIST)
            focusTarget = sourceList_->GetTreeCtrl();
        for (QWidget* named : {w, focusTarget}) {
            named->setToolTip(tip);
            named->setAccessibleName(name);
        }
        if (qobject_cast<CBmpButton*>(w) || t.id == IDC_PROFILES)
            w->setFocusPolicy(Qt::StrongFocus);
        if (previous)
            setTabOrder(previous, focusTarget);
        previous = focusTarget;
    }
}

// The list's column titles; without a language file the built-in ones.
void CConverterDlg::ApplyColumnTitles() {
    const char* keys[] = {"treeSource", "treeLength", "treeStartTime", "treeEndTime"};
    const char* builtIn[] = {"源文件", "长度", "开始时间", "结束时间"};
    QTreeWidgetItem* header = sourceList_->GetTreeCtrl()->headerItem();
    for (int c = 0; c < 4; ++c)
        header->setText(c, QString::fromStdString(TextOr("MainUI", keys[c], builtIn[c])));
}

void CConverterDlg::ApplyCaptions(bool fromLanguage) {
    auto text = [fromLanguage](const char* key, const char* builtIn) {
        return fromLanguage ? Text("MainUI", key) : std::string(builtIn);
    };
    for (const Caption& c : kLabelCaptions)
        if (auto* label = qobject_cast<CColorStatic*>(Control(c.id)))
            label->SetText(text(c.key, c.builtIn));
    for (const ButtonCaption& c : kButtonCaptions)
        if (auto* button = qobject_cast<CBmpButton*>(Control(c.id))) {
            button->SetCaption(text(c.key, c.builtIn));
            button->SetCaptionFont("Verdana", false, false, false);
            button->leftInset = c.leftInset;
            button->alignment = Qt::AlignHCenter;
            button->normalColour = button->hoverColour = button->pressedColour = kCaptionColour;
            button->disabledColour = 0x00808080;
        }
}

// Buttons with their pictures, places and visibility, and the background;
// with withPlaces also the places of the other controls the skin names.
// A skin that cannot dress the window gives way to the Default skin, and
// the user is told once; the skin button shows whatever the skin says, so
// that another skin can always be chosen.
void CConverterDlg::ApplySkin(bool withPlaces) {
    if (settings_.Skin.empty())
        settings_.Skin = "Default";
    if (settings_.Skin != "Default" &&
        !SkinLoads(SkinFolder(env_.programFolder, settings_.Skin), "MainDlgSetting")) {
        const std::string broken = settings_.Skin;
        settings_.Skin = "Default";
        LogF("The skin %s cannot be loaded: the Default skin is used", broken.c_str());
        QTimer::singleShot(0, this, [broken] {
            Services().MessageBox(TextOr("MsgBox", "SkinBroken", "无法加载皮肤, 将使用默认皮肤:") +
                                      "\n" + broken,
                                  Text("MsgBox", "Info"), MsgIcon::Exclamation, MsgButtons::Ok);
        });
    }
    const std::string folder = SkinFolder(env_.programFolder, settings_.Skin);
    if (withPlaces) {
        ApplySkinControls(folder, this, "MainDlgSetting");
    } else {
        // Only the buttons: the places of the lists and boxes stay.
        std::vector<std::pair<QWidget*, QRect>> kept;
        for (const ControlPlace& c : kControlPlaces)
            if (QWidget* w = Control(c.id))
                kept.emplace_back(w, w->geometry());
        ApplySkinControls(folder, this, "MainDlgSetting");
        for (auto& [w, place] : kept)
            w->setGeometry(place);
    }
    ApplySkinBackground(folder, background_, "MainDlgSetting");
    if (QWidget* skinButton = Control(IDC_SKIN_OPTIONS))
        skinButton->show();
    ApplyControlColours();
}

// The lists and the profile chooser take the skin's panel colour (the
// skin's CtlBkColor; RGB(78, 78, 78) when it names none) with light text.
void CConverterDlg::ApplyControlColours() {
    const std::string folder =
        SkinFolder(env_.programFolder, settings_.Skin.empty() ? "Default" : settings_.Skin);
    const QRgb skinColour = ReadSkinColour(folder);
    const QColor panel = skinColour == kDefaultSkinColour ? kPanelColour : ColourOf(skinColour);
    const QColor text(235, 235, 235);
    const QColor highlight = panel.lighter(170);
    QPalette palette;
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const bool off = group == QPalette::Disabled;
        const QColor fore = off ? QColor(150, 150, 150) : text;
        palette.setColor(group, QPalette::Base, panel);
        palette.setColor(group, QPalette::AlternateBase, panel.lighter(110));
        palette.setColor(group, QPalette::Window, panel);
        palette.setColor(group, QPalette::Button, off ? panel : panel.lighter(115));
        palette.setColor(group, QPalette::Text, fore);
        palette.setColor(group, QPalette::WindowText, fore);
        palette.setColor(group, QPalette::ButtonText, fore);
        palette.setColor(group, QPalette::PlaceholderText, QColor(150, 150, 150));
        palette.setColor(group, QPalette::Highlight, highlight);
        palette.setColor(group, QPalette::HighlightedText, Qt::white);
        palette.setColor(group, QPalette::Mid, panel.lighter(140));
        palette.setColor(group, QPalette::Light, panel.lighter(160));
        palette.setColor(group, QPalette::Dark, panel.darker(140));
        palette.setColor(group, QPalette::Shadow, panel.darker(200));
    }
    QTreeWidget* tree = sourceList_->GetTreeCtrl();
    for (QWidget* w : std::initializer_list<QWidget*>{subtitles_, audioTracks_, outputEdit_, tree,
                                                      tree->header(), profileChooser_,
                                                      profileChooser_->Tree()}) {
        w->setPalette(palette);
        for (QWidget* child : w->findChildren<QWidget*>())
            child->setPalette(palette);
    }
    tree->viewport()->setAutoFillBackground(true);
}

void CConverterDlg::PlaceControls() {
    for (const ControlPlace& c : kControlPlaces) {
        QWidget* w = Control(c.id);
        if (!w)
            continue;
        if (c.place.width() > 0)
            w->setGeometry(c.place);
        else {
            w->move(c.place.topLeft());
            w->adjustSize();
        }
    }
    // The time text keeps room for its widest text.
    timeText_->resize(timeText_->fontMetrics().horizontalAdvance("00:00:00/00:00:00") + 4, 18);
}

// The player window; it cannot be made without the player tool. Its
// messages come to this window, which hands them to the preview.
bool CConverterDlg::CreatePlayer() {
    std::unique_ptr<CMPlayer> player;
    if (env_.makePlayer) {
        player = env_.makePlayer(this, this);
    } else {
        const std::string tool = env_.programFolder + "codecs/vistrel";
        if (::access(tool.c_str(), X_OK) == 0) {
            player = std::make_unique<CMPlayer>(this, this);
            player->SetPlayerPath(tool);
        }
    }
    if (!player)
        return false;
    player->hide();
    preview_.SetPlayer(std::move(player));
    return true;
}

} // namespace qv
