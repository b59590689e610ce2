#include "ProfileSettingDlg.h"

#include "DialogUtil.h"
#include "TextEncoding.h"
#include "platform/UserServices.h"
#include "services/Services.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <charconv>
#include <cstdlib>

namespace qv {

namespace {

const char* const kZoomItems[] = {"LetterBox", "Full Screen", "Pan&Scale"};
const char* const kZoomValues[] = {"letterbox", "fullscreen", "panscale"};

void Fill(QComboBox* box, const std::vector<std::string>& items) {
    for (const std::string& item : items)
        box->addItem(Q(item));
}

} // namespace

const char* ZoomValueOf(const QString& item) {
    for (int i = 0; i < 3; ++i)
        if (item == kZoomItems[i])
            return kZoomValues[i];
    return nullptr;
}

CProfileSettingDlg::CProfileSettingDlg(const ProfileRecord& profile, QWidget* parent)
    : QDialog(parent), profile_(profile) {
    setWindowTitle(DlgText("DlgProfile", "Title", "配置设置"));
    auto make = [this](int id, bool editable = false) {
        auto* box = Tag(new QComboBox(this), id);
        box->setEditable(editable);
        box->setMinimumWidth(150);
        return box;
    };
    QComboBox* resolution = make(IDC_RESOLUTION, true);
    QComboBox* frameRate = make(IDC_FRAME_RATE);
    QComboBox* videoCodec = make(IDC_VIDEO_CODEC);
    QComboBox* videoBitRate = make(IDC_VIDEO_BITRATE);
    QComboBox* sampleRate = make(IDC_SAMPLE_RATE);
    QComboBox* audioCodec = make(IDC_AUDIO_CODEC);
    QComboBox* channels = make(IDC_CHANNELS);
    QComboBox* audioBitRate = make(IDC_AUDIO_BITRATE);
    QComboBox* zoom = make(IDC_ZOOM);

    auto* video = new QGroupBox(DlgText("DlgProfile", "Video", "视频"), this);
    auto* videoForm = new QFormLayout(video);
    videoForm->addRow(DlgText("DlgProfile", "Resolution", "分辨率:"), resolution);
    videoForm->addRow(DlgText("DlgProfile", "FrameRate", "帧速率:"), frameRate);
    videoForm->addRow(DlgText("DlgProfile", "VideoCodec", "视频编码:"), videoCodec);
    videoForm->addRow(DlgText("DlgProfile", "VideoBitRate", "比特率:"), videoBitRate);
    auto* zoomLabel = new QLabel(DlgText("DlgProfile", "Zoom", "缩放:"), video);
    videoForm->addRow(zoomLabel, zoom);
    zoomLabel->hide(); // the zoom row is kept but not shown
    zoom->hide();

    auto* audio = new QGroupBox(DlgText("DlgProfile", "Audio", "音频"), this);
    auto* audioForm = new QFormLayout(audio);
    audioForm->addRow(DlgText("DlgProfile", "SampleRate", "采样率:"), sampleRate);
    audioForm->addRow(DlgText("DlgProfile", "AudioCodec", "音频编码:"), audioCodec);
    audioForm->addRow(DlgText("DlgProfile", "Channels", "声道:"), channels);
    audioForm->addRow(DlgText("DlgProfile", "AudioBitRate", "比特率:"), audioBitRate);

    auto* buttons = new QDialogButtonBox(this);
    auto* ok = buttons->addButton(DlgText("Dialog", "OK", "确定"), QDialogButtonBox::AcceptRole);
    buttons->addButton(DlgText("Dialog", "Cancel", "取消"), QDialogButtonBox::RejectRole);
    auto* byDefault = Tag(
        buttons->addButton(DlgText("DlgProfile", "Default", "默认"), QDialogButtonBox::ResetRole),
        IDC_DEFAULT);
    byDefault->hide(); // kept from the template; it does nothing
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* groups = new QHBoxLayout;
    groups->addWidget(video);
    groups->addWidget(audio);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(groups);
    layout->addWidget(buttons);

    // Items: the record's choice texts and codec entries, in their order.
    const ProfileRecord& p = profile_;
    Fill(resolution, SplitChoices(FieldText(p.resolutionChoices)));
    Fill(frameRate, SplitChoices(FieldText(p.frameRateChoices)));
    Fill(videoBitRate, SplitChoices(FieldText(p.videoBitRateChoices)));
    Fill(audioBitRate, SplitChoices(FieldText(p.audioBitRateChoices)));
    Fill(sampleRate, SplitChoices(FieldText(p.sampleRateChoices)));
    Fill(channels, SplitChoices(FieldText(p.channelChoices)));
    for (int i = 0; i < std::clamp(p.videoCodecCount, 0, 10); ++i)
        videoCodec->addItem(Q(FieldText(p.videoCodecs[i].name)));
    for (int i = 0; i < std::clamp(p.audioCodecCount, 0, 10); ++i)
        audioCodec->addItem(Q(FieldText(p.audioCodecs[i].name)));
    for (const char* item : kZoomItems)
        zoom->addItem(QString::fromUtf8(item));

    // Selections: the record's current values, by the prefix rule.
    SelectByPrefix(frameRate, Q(FieldText(p.frameRate)));
    SelectByPrefix(videoCodec, Q(FieldText(p.videoCodec)));
    SelectByPrefix(videoBitRate, QString::number(p.videoBitRate));
    SelectByPrefix(sampleRate, QString::number(p.sampleRate));
    SelectByPrefix(audioCodec, Q(FieldText(p.audioCodec)));
    SelectByPrefix(channels, QString::number(p.channels));
    SelectByPrefix(audioBitRate, QString::number(p.audioBitRate));
    zoom->setCurrentIndex(-1);
    const std::string zoomValue = Lower(FieldText(p.zoomMode));
    for (int i = 0; i < 3; ++i)
        if (zoomValue == kZoomValues[i])
            zoom->setCurrentIndex(i);
    const QString size = (p.width == -1 || p.height == -1)
                             ? QStringLiteral("Auto")
                             : QString("%1*%2").arg(p.width).arg(p.height);
    if (SelectByPrefix(resolution, size) < 0)
        resolution->setEditText(size);

    if (p.IsAudioOnly())
        for (QComboBox* box : {resolution, frameRate, videoCodec, videoBitRate, zoom})
            box->setEnabled(false);
}

QComboBox* CProfileSettingDlg::Box(int id) const {
    return qobject_cast<QComboBox*>(FindControl(this, id));
}

std::optional<std::pair<int, int>> ParseFrameSize(std::string_view text) {
    auto trim = [](std::string_view t) {
        while (!t.empty() && t.front() == ' ')
            t.remove_prefix(1);
        while (!t.empty() && t.back() == ' ')
            t.remove_suffix(1);
        return t;
    };
    text = trim(text);
    if (Lower(std::string(text)) == "auto")
        return std::pair(-1, -1);
    const size_t star = text.find('*');
    if (star == std::string_view::npos)
        return std::nullopt;
    auto side = [&trim](std::string_view t) -> int {
        t = trim(t);
        int v = 0;
        auto [end, error] = std::from_chars(t.data(), t.data() + t.size(), v);
        if (t.empty() || error != std::errc() || end != t.data() + t.size() || v <= 0 ||
            v > kMaxFrameSide)
            return 0;
        return v;
    };
    const int width = side(text.substr(0, star)), height = side(text.substr(star + 1));
    if (width == 0 || height == 0)
        return std::nullopt;
    return std::pair(width, height);
}

void CProfileSettingDlg::accept() {
    ProfileRecord& p = profile_;
    // A frame size the encoder cannot take is refused here rather than at Start.
    const auto size = ParseFrameSize(Box(IDC_RESOLUTION)->currentText().toStdString());
    if (!size) {
        Services().MessageBox(UiText("MsgBox", "ErrFrameSize",
                                     "分辨率请输入 Auto, 或以 宽*高 输入两个正整数, 例如 720*480."),
                              Text("MsgBox", "Info"), MsgIcon::Exclamation, MsgButtons::Ok);
        return; // the dialog stays open with the text as it was
    }
    auto selected = [this](int id, auto write) {
        QComboBox* box = Box(id);
        if (box->currentIndex() >= 0)
            write(box->currentText().toStdString());
    };
    selected(IDC_FRAME_RATE, [&](const std::string& t) { SetFieldText(p.frameRate, t); });
    selected(IDC_VIDEO_CODEC, [&](const std::string& t) { SetFieldText(p.videoCodec, t); });
    selected(IDC_VIDEO_BITRATE,
             [&](const std::string& t) { p.videoBitRate = std::atoi(t.c_str()); });
    selected(IDC_SAMPLE_RATE, [&](const std::string& t) { p.sampleRate = std::atoi(t.c_str()); });
    selected(IDC_CHANNELS, [&](const std::string& t) { p.channels = std::atoi(t.c_str()); });
    selected(IDC_AUDIO_CODEC, [&](const std::string& t) { SetFieldText(p.audioCodec, t); });
    selected(IDC_AUDIO_BITRATE,
             [&](const std::string& t) { p.audioBitRate = std::atoi(t.c_str()); });
    selected(IDC_ZOOM, [&](const std::string& t) {
        if (const char* v = ZoomValueOf(Q(t)))
            SetFieldText(p.zoomMode, v);
    });
    p.width = size->first;
    p.height = size->second;
    QDialog::accept();
}

} // namespace qv
