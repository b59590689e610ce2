// The preview's controls: the picture the player draws into, the time text,
// the caption and the seek slider, as the preview controller shows them.
#include "Preview.h"

#include "ConverterDlg.h"
#include "SourceList.h"
#include "controls/BitmapSlider.h"
#include "platform/UserServices.h"
#include "services/Services.h"

#include <QLabel>
#include <QPainter>

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

void CConverterDlg::StopPlayerIfPlaying() {
    preview_.Stop();
}

void CConverterDlg::OnPlay() {
    if (const CMediaRecord* record = SelectedRecord())
        preview_.Play(*record, {env_.programFolder + "codecs/vistrel", settings_.DVDAccess,
                                settings_.VideoDriver});
}

// The text is drawn over the skin: the skin under it is redrawn with it.
void CConverterDlg::ShowTimeText(const std::string& text) {
    timeText_->setText(QString::fromStdString(text));
    update(timeText_->geometry().adjusted(-3, -3, 3, 3));
}

void CConverterDlg::ShowCaption(const std::string& text) {
    previewCaption_->setText(QString::fromStdString(text));
}

void CConverterDlg::ShowSliderPosition(int position) {
    seek_->SetPosition(position);
    seek_->update();
}

int CConverterDlg::SliderPosition() const {
    return seek_->Position();
}

bool CConverterDlg::SliderHeld() const {
    return seek_->Dragging();
}

void CConverterDlg::RestorePicture() {
    if (previewPicture_)
        previewPicture_->update();
}

unsigned long CConverterDlg::PictureWindow() {
    return previewPicture_ ? static_cast<unsigned long>(previewPicture_->winId()) : 0;
}

void CConverterDlg::OpenFolder(const std::string& folder) {
    ShowFolder(folder);
}

void CConverterDlg::ShowMessage(const std::string& text) {
    Services().MessageBox(text, Text("MsgBox", "Info"), MsgIcon::Exclamation, MsgButtons::Ok);
}

} // namespace qv
