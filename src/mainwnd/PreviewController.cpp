#include "PreviewController.h"

#include "WindowText.h"
#include "base/PathText.h"
#include "base/ProgramFolder.h"
#include "engine/JobModel.h"
#include "platform/CommandLine.h"
#include "platform/Messages.h"
#include "player/MPlayer.h"
#include "services/Services.h"

#include <QTimerEvent>

#include <algorithm>
#include <cstdio>

namespace qv {

PreviewController::PreviewController(PreviewView& view, QObject* parent)
    : QObject(parent), view_(view) {}

// The player goes first: it ends its run and its threads.
PreviewController::~PreviewController() {
    player_.reset();
}

void PreviewController::SetPlayer(std::unique_ptr<CMPlayer> player) {
    player_ = std::move(player);
    if (player_)
        player_->workingDirectory = snapshotFolder_;
}

void PreviewController::SetSnapshotFolder(const std::string& folder) {
    snapshotFolder_ = folder;
    if (player_)
        player_->workingDirectory = folder;
}

PlayerState PreviewController::State() const {
    return player_ ? player_->State() : PlayerStopped;
}

bool PreviewController::Playing() const {
    return State() == PlayerPlaying;
}

void PreviewController::Play(const CMediaRecord& record, const PreviewSettings& settings) {
    if (!player_ || record.kind == KindDvdDisc)
        return;
    Stop();
    playing_ = &record;
    lengthText_ = record.fullLength;
    player_->commandLevel = 5;
    player_->SetPlayerPath(settings.playerTool);
    player_->windowId = view_.PictureWindow();
    player_->SetMedia(PreviewMediaArgument(record, settings.dvdAccess));
    player_->videoOutput = settings.videoDriver;
    player_->audioOutput = 2;
    player_->Play();
    player_->SetLength(JobLengthSeconds(record));
}

// A player still starting is ended too: left alone it would go on to play
// a source that is no longer selected, or no longer in the list.
void PreviewController::Stop() {
    pendingSeek_ = -1;
    seekTimer_.stop();
    if (State() != PlayerStopped)
        player_->Stop();
}

void PreviewController::Select(const CMediaRecord& record) {
    lengthText_ = record.fullLength;
    ShowPosition(0);
    Stop();
    view_.ShowCaption(PreviewCaptionOf(record));
}

void PreviewController::Forget(const std::vector<std::unique_ptr<CMediaRecord>>& removed) {
    if (!playing_)
        return;
    for (const auto& record : removed)
        if (record.get() == playing_) {
            Stop();
            playing_ = nullptr;
            return;
        }
}

void PreviewController::ShowNoSource() {
    lengthText_.clear();
    ShowPosition(0);
    view_.ShowCaption(TextOr("MainUI", "Preview", "预览"));
}

void PreviewController::Snapshot() {
    if (Playing())
        player_->SendCommand("screenshot 0");
}

void PreviewController::OpenSnapshotFolder() {
    snapshotTimer_.start(kSnapshotDelayMs, this);
}

void PreviewController::OnPlayerMessage(int message) {
    switch (message) {
    case WM_PLAYER_PLAYING: StartTimers(); break;
    // A player that failed while playing has ended as surely as one that
    // ended: the display must not stay at its last position.
    case WM_PLAYER_ENDED:
    case WM_PLAYER_STOPPED: Reset(); break;
    case WM_PLAYER_FAILED:
        // A failure that comes after another Play was a run that is over.
        if (State() != PlayerStopped)
            break;
        Reset();
        ReportFailure();
        break;
    default: break;
    }
}

// The likely cause first: a snapshot folder that went away fails every
// start; a player tool that cannot run, or that found no MPlayer, fails
// every source; anything else is the source.
void PreviewController::ReportFailure() {
    const std::string source = playing_ ? PreviewCaptionOf(*playing_) : std::string();
    // Giving up once playing is mostly the end of the file: the display is
    // reset and nothing is said.
    if (player_ && !player_->FailedBeforePlayback())
        return;
    const std::string why = player_ ? player_->FailureText() : std::string();
    LogF("The preview of %s failed: %s", source.c_str(), why.c_str());
    std::string text;
    if (!snapshotFolder_.empty() && !IsFolder(snapshotFolder_))
        text = TextOr("MsgBox", "PreviewNoSnapshotDir",
                      "快照文件夹不存在, 预览无法开始. 请在选项中选择一个文件夹:") +
               "\n" + snapshotFolder_;
    else if ((player_ && player_->StartFailed()) ||
             why.find("cannot start the player") != std::string::npos)
        text = TextOr("MsgBox", "PreviewNoPlayer",
                      "无法启动播放器. 预览需要 MPlayer (软件包 mplayer).");
    else
        text = TextOr("MsgBox", "PreviewCannotPlay", "播放器无法播放:") + "\n" + source;
    view_.ShowMessage(text);
}

void PreviewController::OnSliderMoved() {
    if (!Playing()) {
        view_.ShowSliderPosition(kSliderMin);
        return;
    }
    StopTimers();
    pendingSeek_ = SeekTargetFor(view_.SliderPosition(), player_->Run().length);
    TraceMessage("dwSeekTime = %d\n", pendingSeek_);
    SendSeek();
    StartTimers();
    if (player_->Position() != -1)
        ShowPosition(player_->Position());
}

void PreviewController::SendSeek() {
    if (pendingSeek_ < 0 || !Playing()) {
        pendingSeek_ = -1;
        seekTimer_.stop();
        return;
    }
    if (player_->Seek(pendingSeek_)) {
        pendingSeek_ = -1;
        seekTimer_.stop();
    } else if (!seekTimer_.isActive()) {
        seekTimer_.start(kSeekRetryMs, this);
    }
}

void PreviewController::timerEvent(QTimerEvent* event) {
    const int id = event->timerId();
    if (id == timeTimer_.timerId()) {
        if (Playing() && player_->Position() != -1)
            ShowPosition(player_->Position());
    } else if (id == sliderTimer_.timerId()) {
        FollowPosition();
    } else if (id == seekTimer_.timerId()) {
        SendSeek();
    } else if (id == snapshotTimer_.timerId()) {
        snapshotTimer_.stop();
        view_.OpenFolder(snapshotFolder_);
    } else {
        QObject::timerEvent(event);
    }
}

void PreviewController::StartTimers() {
    timeTimer_.start(kTimePeriodMs, this);
    sliderTimer_.start(kSliderPeriodMs, this);
}

void PreviewController::StopTimers() {
    timeTimer_.stop();
    sliderTimer_.stop();
}

// The thumb the user holds stays where the user puts it.
void PreviewController::FollowPosition() {
    if (!player_ || view_.SliderHeld())
        return;
    const auto position =
        SliderPositionFor(static_cast<float>(player_->Position()),
                          static_cast<float>(player_->Run().length), kSliderMin, kSliderMax);
    if (position)
        view_.ShowSliderPosition(*position);
}

void PreviewController::Reset() {
    view_.RestorePicture();
    StopTimers();
    view_.ShowSliderPosition(kSliderMin);
    ShowPosition(0);
}

void PreviewController::ShowPosition(int seconds) {
    if (lengthText_.empty())
        lengthText_ = "00:00:00";
    view_.ShowTimeText(PreviewTimeText(seconds, lengthText_));
}

namespace {

// The chosen tracks as the player selects them: a DVD title's by their
// stream numbers, a file's counted from 0 within their kind.
std::string TrackArguments(const CMediaRecord& r) {
    std::string text;
    if (r.audioIndex >= 0 && r.audioIndex < static_cast<int>(r.audioTracks.size()))
        text += " -aid " + std::to_string(r.audioTracks[r.audioIndex].streamId);
    if (r.subtitleIndex >= 0 && r.subtitleIndex < static_cast<int>(r.subtitleTracks.size()))
        text += " -sid " + std::to_string(r.subtitleTracks[r.subtitleIndex].streamId);
    return text;
}

} // namespace

std::string PreviewMediaArgument(const CMediaRecord& r, int dvdAccess) {
    if (r.kind == KindFile)
        return QuotePath(r.sourcePath) + TrackArguments(r);
    std::string device = r.sourcePath;
    while (device.size() > 1 && (device.back() == '/' || device.back() == '\\'))
        device.pop_back();
    const bool nav = dvdAccess == 3 || (dvdAccess == 1 && r.manyTitles != 0);
    std::string text = "-dvd-device " + QuotePath(device) + (nav ? " dvdnav://" : " dvd://") +
                       std::to_string(r.titleNumber);
    return text + TrackArguments(r);
}

std::string PreviewCaptionOf(const CMediaRecord& record) {
    switch (record.kind) {
    case KindFile: return FileNameOf(record.sourcePath);
    case KindDvdTitle: return record.sourcePath + "//" + std::to_string(record.titleNumber);
    default: return record.sourcePath;
    }
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

} // namespace qv
