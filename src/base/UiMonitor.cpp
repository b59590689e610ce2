#include "UiMonitor.h"
#include "Number.h"

#include <QEvent>
#include <QTimer>

#include <algorithm>
#include <cstdlib>
#include <ctime>

namespace qv {

UiMonitor::UiMonitor(std::FILE* out, bool closeOut, QObject* parent)
    : QObject(parent), out_(out), closeOut_(closeOut) {}

UiMonitor::~UiMonitor() {
    if (out_ && !lateMs_.empty()) {
        const Stalls s = Measured();
        std::fprintf(out_, "stalls p99 %s ms max %s ms busy max %s ms samples %zu\n",
                     FixedText(s.p99Ms, 1).c_str(), FixedText(s.maxMs, 1).c_str(),
                     FixedText(s.busyMaxMs, 1).c_str(), s.samples);
        std::fflush(out_);
    }
    if (out_ && closeOut_)
        std::fclose(out_);
}

double UiMonitor::Now() {
    timespec t;
    ::clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double UiMonitor::ThreadTime() {
    timespec t;
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

void UiMonitor::WatchFirstPaint(QObject* window) {
    window_ = window;
    window->installEventFilter(this);
}

bool UiMonitor::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_ && event->type() == QEvent::Paint && !paintPending_) {
        // The children paint and the picture reaches the screen in the same
        // turn of the event loop: the end of that turn is the first paint.
        paintPending_ = true;
        window_->removeEventFilter(this);
        QMetaObject::invokeMethod(
            this,
            [this] {
                firstPaint_ = Now();
                if (out_) {
                    std::fprintf(out_, "first-paint %s\n", FixedText(firstPaint_, 6).c_str());
                    std::fflush(out_);
                }
            },
            Qt::QueuedConnection);
    }
    return false;
}

void UiMonitor::StartSampling() {
    lateMs_.clear();
    lateMs_.reserve(1 << 16);
    busyMaxMs_ = 0;
    if (!timer_) {
        timer_ = new QTimer(this);
        timer_->setTimerType(Qt::PreciseTimer);
        timer_->setInterval(kPeriodMs);
        connect(timer_, &QTimer::timeout, this, &UiMonitor::Sample);
    }
    last_ = Now();
    lastBusy_ = ThreadTime();
    timer_->start();
}

void UiMonitor::StopSampling() {
    if (timer_)
        timer_->stop();
}

void UiMonitor::Sample() {
    const double now = Now(), busy = ThreadTime();
    const double late = (now - last_) * 1000.0 - kPeriodMs;
    busyMaxMs_ = std::max(busyMaxMs_, static_cast<float>((busy - lastBusy_) * 1000.0));
    last_ = now;
    lastBusy_ = busy;
    lateMs_.push_back(static_cast<float>(std::max(0.0, late)));
}

UiMonitor::Stalls UiMonitor::Measured() const {
    Stalls s;
    s.samples = lateMs_.size();
    s.busyMaxMs = busyMaxMs_;
    if (lateMs_.empty())
        return s;
    std::vector<float> sorted = lateMs_;
    std::sort(sorted.begin(), sorted.end());
    s.maxMs = sorted.back();
    s.p99Ms = sorted[std::min(sorted.size() - 1, sorted.size() * 99 / 100)];
    return s;
}

std::unique_ptr<UiMonitor> UiMonitorFromEnvironment() {
    const char* where = std::getenv("QUORVANE_UI_MONITOR");
    if (!where || !*where)
        return nullptr;
    std::FILE* file = std::string(where) == "-" ? nullptr : std::fopen(where, "a");
    auto monitor = std::make_unique<UiMonitor>(file ? file : stderr, file != nullptr);
    monitor->StartSampling();
    return monitor;
}

} // namespace qv
