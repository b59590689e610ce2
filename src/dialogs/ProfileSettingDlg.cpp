#include "ProfileSettingDlg.h"

#include "DialogUtil.h"
#include "TextEncoding.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

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

void CProfileSettingDlg::accept() {
    ProfileRecord& p = profile_;
    const std::string size = Lower(Box(IDC_RESOLUTION)->currentText().toStdString());
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
    if (size == "auto") {
        p.width = p.height = -1;
    } else if (!size.empty() && size.find('*') != std::string::npos && size[0] != '*') {
        size_t star = size.find('*');
        p.width = std::atoi(size.substr(0, star).c_str());
        p.height = std::atoi(size.substr(star + 1).c_str());
    }
    QDialog::accept();
}

} // namespace qv
