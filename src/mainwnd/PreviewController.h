#pragma once

#include "player/PlayerOutput.h"

#include <QBasicTimer>
#include <QObject>

#include <memory>
#include <optional>
#include <string>

namespace qv {

class CMPlayer;
class CMediaRecord;

// What the preview shows in its window.
class PreviewView {
public:
    virtual ~PreviewView() = default;
    virtual void ShowTimeText(const std::string& text) = 0;
    virtual void ShowCaption(const std::string& text) = 0;
    // Puts the seek slider at a position of PreviewController's slider range.
    virtual void ShowSliderPosition(int position) = 0;
    // Where the slider is, after the user moved it.
    virtual int SliderPosition() const = 0;
    // Whether the user holds the slider's thumb.
    virtual bool SliderHeld() const = 0;
    // The preview picture comes back over the player's last frame.
    virtual void RestorePicture() = 0;
    // The native window the player draws into.
    virtual unsigned long PictureWindow() = 0;
    // Opens a folder for the user.
    virtual void OpenFolder(const std::string& folder) = 0;
    // Tells the user why the preview stopped.
    virtual void ShowMessage(const std::string& text) = 0;
};

// What a record is played with.
struct PreviewSettings {
    std::string playerTool; // the player tool's path
    int dvdAccess = 1;      // setting DVDAccess
    int videoDriver = 0;    // setting VideoDriver
};

// The preview of the main window: the player, the time text and the seek
// slider that follow it, the caption of the selected source and the snapshot
// commands. The window routes its buttons, the player's messages and the
// slider's moves here; what they show goes to the view.
class PreviewController : public QObject {
public:
    // The slider's range: a position is a percentage of the length.
    static constexpr int kSliderMin = 0, kSliderMax = 100;
    static constexpr int kTimePeriodMs = 500;    // the time text follows the player
    static constexpr int kSliderPeriodMs = 1000; // the slider follows the player
    static constexpr int kSnapshotDelayMs = 100; // then the snapshot folder opens
    static constexpr int kSeekRetryMs = 20;      // a seek the player could not take yet

    explicit PreviewController(PreviewView& view, QObject* parent = nullptr);
    ~PreviewController() override;

    // The player; without one Play does nothing.
    void SetPlayer(std::unique_ptr<CMPlayer> player);
    // Where snapshots are written (the player's working folder) and which folder opens.
    void SetSnapshotFolder(const std::string& folder);
    // Stopped without a player.
    PlayerState State() const;

    // Plays a file or a DVD title (a disc plays nothing), ending what played.
    void Play(const CMediaRecord& record, const PreviewSettings& settings);
    // Ends the player, whether it is starting or playing.
    void Stop();
    // Another source selected: ends the player, shows the source's caption
    // and its length at position 0.
    void Select(const CMediaRecord& record);
    // Sources leave the list: the player ends when it plays one of them.
    void Forget(const std::vector<std::unique_ptr<CMediaRecord>>& removed);
    // Nothing selected any more: the default caption and no length.
    void ShowNoSource();
    void Snapshot();
    // Opens the snapshot folder shortly after.
    void OpenSnapshotFolder();

    // A WM_PLAYER_* message of the player. A failure resets the display,
    // says why and logs what the player reported.
    void OnPlayerMessage(int message);
    // The user let the slider go, or moved it with a key: seeks there while
    // playing, else puts it back. A seek the player cannot take yet (it is
    // still being sent a command) is sent as soon as it can, the last one
    // asked for winning.
    void OnSliderMoved();

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    void ShowPosition(int seconds);
    void FollowPosition();
    void Reset();
    void ReportFailure();
    void SendSeek();
    void StartTimers();
    void StopTimers();
    bool Playing() const;

    PreviewView& view_;
    std::unique_ptr<CMPlayer> player_;
    const CMediaRecord* playing_ = nullptr; // what Play last started
    std::string lengthText_;                // the source's length, hh:mm:ss
    std::string snapshotFolder_;
    int pendingSeek_ = -1; // seconds; -1 for none
    QBasicTimer timeTimer_, sliderTimer_, snapshotTimer_, seekTimer_;
};

// The player's media argument of a record: a quoted file, or a DVD title with
// its device, navigation mode (DVDAccess 3 always, 1 for discs of many
// titles), audio stream and subtitle.
std::string PreviewMediaArgument(const CMediaRecord& record, int dvdAccess);
// The preview caption of a record: the file name; "%s//%d" of a DVD title's
// source and number; a DVD node's source.
std::string PreviewCaptionOf(const CMediaRecord& record);
// "hh:mm:ss/length" of a position; an empty length reads "00:00:00".
std::string PreviewTimeText(int seconds, const std::string& lengthText);
// The slider position that follows a position p of a length l, within
// [min, max]; none when the position has passed the length.
std::optional<int> SliderPositionFor(float p, float l, int min, int max);
// The seek target in whole seconds of a slider position over a length.
int SeekTargetFor(int sliderPosition, int lengthSeconds);

} // namespace qv
