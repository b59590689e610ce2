#pragma once

#include "ProfileLayout.h"

#include <QDialog>

#include <optional>
#include <string_view>
#include <utility>

class QComboBox;

namespace qv {

// The largest frame side the settings take.
constexpr int kMaxFrameSide = 16384;
// A frame size as typed: "Auto" (any case) gives -1, -1; "W*H" two sides of
// 1 to kMaxFrameSide; anything else none.
std::optional<std::pair<int, int>> ParseFrameSize(std::string_view text);

// Picks one value of each of the current profile's choice lists. Works on its
// own copy of the record; the caller takes it back only after OK.
class CProfileSettingDlg : public QDialog {
    Q_OBJECT
public:
    enum : int {
        IDC_RESOLUTION = 1026,
        IDC_VIDEO_CODEC = 1027,
        IDC_FRAME_RATE = 1028,
        IDC_VIDEO_BITRATE = 1029,
        IDC_SAMPLE_RATE = 1030,
        IDC_AUDIO_CODEC = 1031,
        IDC_CHANNELS = 1032,
        IDC_AUDIO_BITRATE = 1033,
        IDC_ZOOM = 1034,
        IDC_DEFAULT = 3,
    };

    explicit CProfileSettingDlg(const ProfileRecord& profile, QWidget* parent = nullptr);
    const ProfileRecord& Profile() const { return profile_; }
    QComboBox* Box(int id) const;

    void accept() override;

private:
    ProfileRecord profile_;
};

// The zoom list's texts and the values they stand for.
const char* ZoomValueOf(const QString& item);

} // namespace qv
