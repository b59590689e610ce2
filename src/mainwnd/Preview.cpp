// The preview: the player drawing into the preview picture, the time text
// and the seek slider.
#include "Preview.h"

#include "ConverterDlg.h"
#include "SourceList.h"
#include "base/ProgramFolder.h"
#include "controls/BitmapSlider.h"
#include "engine/JobModel.h"
#include "platform/Messages.h"
#include "platform/UserServices.h"
#include "player/MPlayer.h"

#include <QLabel>
#include <QPainter>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>

namespace qv {

CPreviewPicture::CPreviewPicture(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CPreviewPicture::SetImage(const QImage& image) {
    image_ = image;
    update();
}

void CPreviewPicture::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    if (image_.isNull())
        return;
    QRect target(QPoint(0, 0), image_.size().scaled(size(), Qt::KeepAspectRatio));
    target.moveCenter(rect().center());
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(target, image_);
}

std::string PreviewMediaArgument(const CMediaRecord& r, int dvdAccess) {
    if (r.kind == KindFile)
        return "\"" + r.sourcePath + "\"";
    std::string device = r.sourcePath;
    while (device.size() > 1 && (device.back() == '/' || device.back() == '\\'))
        device.pop_back();
    const bool nav = dvdAccess == 3 || (dvdAccess == 1 && r.manyTitles != 0);
    std::string text = "-dvd-device \"" + device + "\" " + (nav ? "dvdnav://" : "dvd://") +
                       std::to_string(r.titleNumber);
    if (r.audioIndex >= 0 && r.audioIndex < static_cast<int>(r.audioTracks.size()))
        text += " -aid " + std::to_string(r.audioTracks[r.audioIndex].streamId);
    if (r.subtitleIndex >= 0 && r.subtitleIndex < static_cast<int>(r.subtitleTracks.size()))
        text += " -sid " + std::to_string(r.subtitleTracks[r.subtitleIndex].streamId);
    return text;
}

std::string PreviewTimeText(int s, const std::string& lengthText) {
    char text[64];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d/", s / 3600, (s % 3600) / 60, s % 60);
    return text + (lengthText.empty() ? std::string("00:00:00") : lengthText);
}

std::optional<int> SliderPositionFor(float p, float l, int min, int max) {
    if (l < p)
        return std::nullopt;
    int position = l == 0 ? 0 : static_cast<int>(p * 100.0f / l);
    return std::clamp(position, std::min(min, max), std::max(min, max));
}

int SeekTargetFor(int sliderPosition, int lengthSeconds) {
    return sliderPosition * lengthSeconds / 100;
}

void CConverterDlg::StopPlayerIfPlaying() {
    if (player_ && player_->State() == PlayerPlaying)
        player_->Stop();
}

void CConverterDlg::OnPlay() {
    QTreeWidgetItem* item = SelectedItem();
    CMediaRecord* record = RecordOf(item);
    if (!record || !player_ || record->kind == KindDvdDisc)
        return;
    StopPlayerIfPlaying();
    playingItem_ = item;
    sourceLengthText_ = record->fullLength;
    player_->commandLevel = 5;
    player_->SetPlayerPath(env_.programFolder + "codecs/vistrel");
    player_->windowId = static_cast<unsigned long>(previewPicture_->winId());
    player_->SetMedia(PreviewMediaArgument(*record, settings_.DVDAccess));
    player_->videoOutput = settings_.VideoDriver;
    player_->audioOutput = 2;
    player_->Play();
    player_->SetLength(JobLengthSeconds(*record));
}

void CConverterDlg::OnStopPreview() {
    StopPlayerIfPlaying();
}

void CConverterDlg::OnSnapshot() {
    if (player_ && player_->State() == PlayerPlaying)
        player_->SendCommand("screenshot 0");
}

void CConverterDlg::OnSnapshotFolder() {
    snapshotTimer_.start(kSnapshotDelayMs, this);
}

void CConverterDlg::OnPlayerMessage(int message) {
    if (message == WM_PLAYER_PLAYING) {
        timeTimer_.start(kTimePeriodMs, this);
        sliderTimer_.start(kSliderPeriodMs, this);
    } else {
        ResetPreview();
    }
}

void CConverterDlg::OnSeek(long long controlId, long long) {
    if (controlId != IDC_SEEK)
        return;
    if (!player_ || player_->State() != PlayerPlaying) {
        seek_->SetPosition(0);
        seek_->update();
        return;
    }
    timeTimer_.stop();
    sliderTimer_.stop();
    const int target = SeekTargetFor(seek_->Position(), player_->Run().length);
    player_->Seek(target);
    TraceMessage("dwSeekTime = %d\n", target);
    timeTimer_.start(kTimePeriodMs, this);
    sliderTimer_.start(kSliderPeriodMs, this);
    if (player_->Position() != -1)
        ShowPosition(player_->Position());
}

void CConverterDlg::FollowPosition() {
    if (!player_)
        return;
    const auto position = SliderPositionFor(static_cast<float>(player_->Position()),
                                            static_cast<float>(player_->Run().length),
                                            seek_->rangeMin, seek_->rangeMax);
    if (!position)
        return;
    seek_->SetPosition(*position);
    seek_->update();
}

void CConverterDlg::ResetPreview() {
    previewPicture_->update(); // the preview image comes back over the last frame
    timeTimer_.stop();
    sliderTimer_.stop();
    seek_->SetPosition(0);
    seek_->update();
    ShowPosition(0);
}

// The text is drawn over the skin: the skin under it is redrawn with it.
void CConverterDlg::ShowPosition(int seconds) {
    if (sourceLengthText_.empty())
        sourceLengthText_ = "00:00:00";
    timeText_->setText(QString::fromStdString(PreviewTimeText(seconds, sourceLengthText_)));
    update(timeText_->geometry().adjusted(-3, -3, 3, 3));
}

} // namespace qv
