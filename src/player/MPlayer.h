#pragma once

#include "PlayerOutput.h"

#include <QBasicTimer>
#include <QWidget>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace qv {

class ChildProcess;

// The preview player: runs the player tool in slave mode as a child process,
// writes commands to it on a writer thread, follows its output on timers of
// this (hidden) widget, and tells its owner by posted events (WM_PLAYER_*).
class CMPlayer : public QWidget {
    Q_OBJECT
public:
    // Timer ids and periods.
    static constexpr int kStartingTimer = 4, kStartingPeriodMs = 200;
    static constexpr int kPositionTimer = 1, kPositionPeriodMs = 500;
    static constexpr int kAliveTimer = 2, kAlivePeriodMs = 1000;
    // A player whose output is not polled for this long is ended.
    static std::atomic<int> watchdogLimitMs;

    explicit CMPlayer(QObject* owner, QWidget* parent = nullptr);
    ~CMPlayer() override;

    // Launch settings.
    void SetPlayerPath(const std::string& path) { playerPath_ = path; }
    void SetMedia(const std::string& text) { media_ = text; }
    void SetSubtitleFont(const std::string& path) { subtitleFont_ = path; }
    unsigned long windowId = 0;
    int videoOutput = 0; // 1 null, 2 directx, 3 directx:noaccel, 4 gl, 5 gl2, 6 direct3d
    int audioOutput = 0; // 1 null, 2 dsound, 3 win32
    int priority = 2;    // 0 idle ... 5 realtime
    bool autoSubtitles = false;
    int subtitleCodePage = 0; // 1..24
    int brightness = 0, contrast = 0, hue = 0, saturation = 0;
    std::string workingDirectory;
    int commandLevel = 0; // commands are written only from 5 on

    // The command line that Play starts.
    std::string CommandLine() const;

    void Play();
    void Stop();
    // Seeks while playing; false when nothing was sent (not playing, or the
    // last command is still being written: the caller may try again).
    bool Seek(int seconds);
    // 0 when handed on or dropped (the writer is busy), -1 when refused.
    int SendCommand(const std::string& text);

    // Why the last run failed (WM_PLAYER_FAILED): the start error, or the
    // player's last lines before it gave up or ended; empty otherwise.
    const std::string& FailureText() const { return failure_; }
    // True when the last run failed because its tool could not be started.
    bool StartFailed() const { return startFailed_; }
    // True when the last run failed before its playback began (a player that
    // gives up while playing has mostly reached the end of its file).
    bool FailedBeforePlayback() const { return failedBeforePlayback_; }

    const PlayerRunState& Run() const { return run_; }
    PlayerState State() const { return run_.state; }
    int Position() const { return run_.position; }
    void SetLength(int seconds) { run_.length = seconds; }
    bool ProcessAlive();
    pid_t ProcessId() const;

    // The output poll of the timers: reads and interprets waiting lines.
    void ReadOutput();

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    void Post(int message);
    void Fail(std::string why, bool beforePlayback);
    void EndRun();
    void StopThreads();
    void PlaybackBegan();
    void KillTimers();

    QObject* owner_;
    std::string playerPath_, media_, subtitleFont_;
    LineSplitter lines_; // the output read so far, cut into lines
    std::string previousLine_, failure_;
    bool startFailed_ = false, failedBeforePlayback_ = false;
    PlayerRunState run_;
    std::unique_ptr<ChildProcess> process_;
    QBasicTimer startingTimer_, positionTimer_, aliveTimer_;

    // Writer thread.
    CommandMailbox mailbox_;
    std::thread writer_;
    std::mutex writerMutex_;
    std::condition_variable commandReady_;
    bool ready_ = false, writerStop_ = false;

    // Watchdog thread.
    std::thread watchdog_;
    std::mutex watchdogMutex_;
    std::condition_variable watchdogWake_;
    bool watchdogStop_ = false;
    std::atomic<int64_t> lastPollMs_{0};
};

} // namespace qv
