#pragma once

#include <QImage>
#include <QWidget>

namespace qv {

// The preview picture: shows its image centred until the player draws into
// its native window.
class CPreviewPicture : public QWidget {
    Q_OBJECT
public:
    explicit CPreviewPicture(QWidget* parent = nullptr);
    void SetImage(const QImage& image);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage image_;
};

} // namespace qv
