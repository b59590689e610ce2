#pragma once

#include <QImage>
#include <QWidget>

#include <optional>
#include <string>

namespace qv {

class CMediaRecord;

// The preview picture: shows its image centred until the player draws into
// its native window.
class CPreviewPicture : public QWidget {
    Q_OBJECT
public:
    explicit CPreviewPicture(QWidget* parent = nullptr);
    void SetImage(const QImage& image);
    const QImage& Image() const { return image_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage image_;
};

// The player's media argument of a record: a quoted file, or a DVD title with
// its device, navigation mode (DVDAccess 3 always, 1 for discs of many
// titles), audio stream and subtitle.
std::string PreviewMediaArgument(const CMediaRecord& record, int dvdAccess);
// "hh:mm:ss/length" of a position; an empty length reads "00:00:00".
std::string PreviewTimeText(int seconds, const std::string& lengthText);
// The slider position that follows a position p of a length l, within
// [min, max]; none when the position has passed the length.
std::optional<int> SliderPositionFor(float p, float l, int min, int max);
// The seek target in whole seconds of a slider position over a length.
int SeekTargetFor(int sliderPosition, int lengthSeconds);

} // namespace qv
