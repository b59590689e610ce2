#include "MPlayer.h"

#include "engine/EncoderRun.h"
#include "platform/ChildProcess.h"
#include "platform/CommandLine.h"
#include "platform/Messages.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QTimerEvent>

#include <chrono>
#include <csignal>
#include <thread>

namespace qv {

std::atomic<int> CMPlayer::watchdogLimitMs{20000};

namespace {

const char* const kCodePages[] = {
    "Unicode",     "UTF-8",      "ISO-8859-1", "ISO-8859-15", "ISO-8859-2", "ISO-8859-3",
    "ISO-8859-4",  "ISO-8859-5", "ISO-8859-6", "ISO-8859-7",  "ISO-8859-9", "ISO-8859-13",
    "ISO-8859-14", "ISO-8859-8", "KOI8-R",     "KOI8-U/RU",   "CP936",      "BIG5",
    "SHIFT-JIS",   "CP949",      "CP874",      "CP1251",      "CP1250",     "CP1256"};

int64_t NowMs() {
    return static_cast<int64_t>(ClockMs());
}

} // namespace

CMPlayer::CMPlayer(QObject* owner, QWidget* parent) : QWidget(parent), owner_(owner) {
    setAttribute(Qt::WA_DontShowOnScreen);
    hide();
}

CMPlayer::~CMPlayer() {
    Stop();
    EndRun();
}

std::string CMPlayer::CommandLine() const {
    static const char* const priorities[] = {"idle",        "belownormal", "normal",
                                             "abovenormal", "high",        "realtime"};
    static const char* const videos[] = {"-vo null", "-vo directx", "-vo directx:noaccel",
                                         "-vo gl",   "-vo gl2",     "-vo direct3d"};
    static const char* const audios[] = {"-ao null", "-ao dsound", "-ao win32"};
    std::string line;
    auto add = [&line](const std::string& arg) { line += arg + " "; };
    add(QuotePath(playerPath_));
    add("-wid " + std::to_string(windowId));
    add(std::string("-priority ") +
        (priority >= 0 && priority <= 5 ? priorities[priority] : "normal"));
    for (const char* a : {"-quiet", "-slave", "-identify", "-colorkey 0x10"})
        add(a);
    add("-nokeepaspect -vf-add screenshot,scale=258:-2,expand=258:180");
    if (autoSubtitles) {
        add("-autosub");
        add("-font " + QuotePath(subtitleFont_));
    } else {
        add("-noautosub");
    }
    if (subtitleCodePage >= 1 && subtitleCodePage <= 24)
        add(std::string("-subcp ") + kCodePages[subtitleCodePage - 1]);
    add(videoOutput >= 1 && videoOutput <= 6 ? videos[videoOutput - 1] : "-novideo");
    add(audioOutput >= 1 && audioOutput <= 3 ? audios[audioOutput - 1] : "-nosound");
    const std::pair<const char*, int> pictures[] = {{"-brightness ", brightness},
                                                    {"-contrast ", contrast},
                                                    {"-hue ", hue},
                                                    {"-saturation ", saturation}};
    for (const auto& [option, value] : pictures)
        if (value != 0)
            add(option + std::to_string(value));
    add(media_);
    return line;
}

void CMPlayer::Post(int message) {
    if (owner_)
        QCoreApplication::postEvent(owner_, new QEvent(QEvent::Type(message)));
}

bool CMPlayer::ProcessAlive() {
    return process_ && process_->IsRunning();
}

pid_t CMPlayer::ProcessId() const {
    return process_ ? process_->Pid() : -1;
}

void CMPlayer::Fail(std::string why, bool beforePlayback) {
    failure_ = std::move(why);
    failedBeforePlayback_ = beforePlayback;
    Post(WM_PLAYER_FAILED);
}

void CMPlayer::Play() {
    if (run_.state != PlayerStopped || process_)
        return;
    run_.Reset();
    lines_.Clear();
    previousLine_.clear();
    failure_.clear();
    startFailed_ = failedBeforePlayback_ = false;
    lastPollMs_ = NowMs();
    mailbox_.Reset();

    process_ = std::make_unique<ChildProcess>();
    ChildProcess::Options options;
    options.workDir = workingDirectory;
    std::string error;
    if (!process_->Start(SplitCommandLine(CommandLine()), options, &error)) {
        process_.reset();
        KillTimers();
        startFailed_ = true;
        Fail(error.empty() ? "the player could not be started" : error, true);
        return;
    }

    ready_ = writerStop_ = false;
    writer_ = std::thread([this] {
        for (;;) {
            std::unique_lock lock(writerMutex_);
            commandReady_.wait(lock, [this] { return ready_ || writerStop_; });
            if (writerStop_)
                return;
            ready_ = false;
            lock.unlock();
            const std::string& command = mailbox_.Command();
            process_->Write(command.data(), command.size());
            mailbox_.Written();
        }
    });
    watchdogStop_ = false;
    watchdog_ = std::thread([this] {
        std::unique_lock lock(watchdogMutex_);
        for (;;) {
            if (watchdogWake_.wait_for(
                    lock, std::chrono::milliseconds(std::min(1000, watchdogLimitMs.load())),
                    [this] { return watchdogStop_; }))
                return;
            // Nobody has looked at the output for too long: end the player;
            // the window thread notices at its next poll.
            if (NowMs() - lastPollMs_ > watchdogLimitMs)
                ::kill(-process_->Pid(), SIGKILL);
        }
    });

    run_.state = PlayerStarting;
    startingTimer_.start(kStartingPeriodMs, this);
    Post(WM_PLAYER_LAUNCHED);
}

void CMPlayer::KillTimers() {
    startingTimer_.stop();
    positionTimer_.stop();
    aliveTimer_.stop();
}

void CMPlayer::StopThreads() {
    {
        std::lock_guard lock(writerMutex_);
        writerStop_ = true;
    }
    commandReady_.notify_all();
    if (writer_.joinable())
        writer_.join();
    {
        std::lock_guard lock(watchdogMutex_);
        watchdogStop_ = true;
    }
    watchdogWake_.notify_all();
    if (watchdog_.joinable())
        watchdog_.join();
}

void CMPlayer::EndRun() {
    // Ending the process first also wakes a writer blocked on a full pipe;
    // the pipes close only once both threads have stopped.
    if (process_)
        process_->Terminate();
    KillTimers();
    StopThreads();
    process_.reset();
    run_.state = PlayerStopped;
}

int CMPlayer::SendCommand(const std::string& text) {
    if (commandLevel < 5 || !process_ || !ProcessAlive())
        return -1;
    if (mailbox_.Post(text + "\n")) {
        {
            std::lock_guard lock(writerMutex_);
            ready_ = true;
        }
        commandReady_.notify_one();
    }
    return 0;
}

bool CMPlayer::Seek(int seconds) {
    if (run_.state != PlayerPlaying || !process_ || mailbox_.Busy())
        return false;
    return SendCommand("seek " + std::to_string(seconds) + " 2") == 0;
}

void CMPlayer::Stop() {
    if (run_.state != PlayerStarting && run_.state != PlayerPlaying)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // A moment for the player to quit on its own; then its group is ended
    // by force. The window never waits longer than this.
    if (commandLevel >= 5)
        SendCommand("quit");
    for (int i = 0; i < 10 && ProcessAlive(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EndRun();
    QApplication::restoreOverrideCursor();
    Post(WM_PLAYER_STOPPED);
}

void CMPlayer::PlaybackBegan() {
    if (!ProcessAlive())
        return;
    startingTimer_.stop();
    positionTimer_.start(kPositionPeriodMs, this);
    aliveTimer_.start(kAlivePeriodMs, this);
    run_.state = PlayerPlaying;
    Post(WM_PLAYER_PLAYING);
}

void CMPlayer::ReadOutput() {
    constexpr int kPasses = 100;
    for (int pass = 0; pass < kPasses; ++pass) {
        if (!process_)
            return;
        // What a player printed before it went is read first (as far as
        // this poll reads): its last lines say why it gave up.
        const bool alive = ProcessAlive();
        size_t waiting = std::min<size_t>(process_->Peek(), 4096);
        lastPollMs_ = NowMs();
        if (!alive && (waiting == 0 || pass == kPasses - 1)) {
            // Gone while playing is the end of the clip, whichever timer sees
            // it first; gone before playback began is a failure.
            const bool ended = run_.state == PlayerPlaying;
            startingTimer_.stop();
            EndRun();
            if (ended)
                Post(WM_PLAYER_ENDED);
            else
                Fail(run_.lastLine.empty() ? "the player ended before it played" : run_.lastLine,
                     true);
            return;
        }
        if (waiting == 0)
            return;
        char buffer[4096];
        long n = process_->Read(buffer, waiting);
        if (n > 0)
            lines_.Add(buffer, static_cast<size_t>(n));
        std::string line;
        while (lines_.Next(&line)) {
            while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back())))
                line.pop_back();
            if (line.empty() || line == run_.lastLine)
                continue;
            previousLine_ = std::move(run_.lastLine);
            run_.lastLine = line;
            switch (ParseLine(run_, line)) {
            case LineEffect::PlaybackBegan: PlaybackBegan(); break;
            case LineEffect::GaveUp: {
                const bool starting = run_.state == PlayerStarting;
                startingTimer_.stop();
                EndRun();
                Fail(previousLine_.empty() ? line : previousLine_ + "\n" + line, starting);
                return;
            }
            case LineEffect::None: break;
            }
            if (!process_)
                return;
        }
        std::this_thread::yield();
    }
}

void CMPlayer::timerEvent(QTimerEvent* event) {
    const int id = event->timerId();
    if (id == startingTimer_.timerId()) {
        ReadOutput();
    } else if (id == positionTimer_.timerId()) {
        if (ProcessAlive())
            SendCommand("get_time_pos");
        ReadOutput();
    } else if (id == aliveTimer_.timerId()) {
        if (run_.state == PlayerPlaying && process_ && !ProcessAlive()) {
            EndRun();
            Post(WM_PLAYER_ENDED);
        }
    } else {
        QWidget::timerEvent(event);
    }
}

} // namespace qv
