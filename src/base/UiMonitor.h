#pragma once

#include <QObject>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

class QTimer;

namespace qv {

// Watches the interface thread, for a user reporting a sluggish window and for
// the benchmarks: when the main window first painted, and how long the event
// loop was held up. A timer fires every kPeriodMs; each firing notes how much
// later than its period it came, and how much of that time the thread itself
// was computing (the rest it was waiting, or the machine ran something
// else). Only made when asked for, so it costs nothing otherwise.
class UiMonitor : public QObject {
public:
    static constexpr int kPeriodMs = 2;

    // Reports go to the stream, closed at the end when closeOut; null keeps
    // them to the caller.
    explicit UiMonitor(std::FILE* out = nullptr, bool closeOut = false, QObject* parent = nullptr);
    ~UiMonitor() override;

    // Notes the end of the window's first paint ("first-paint SECONDS").
    void WatchFirstPaint(QObject* window);
    // Starts (again, forgetting earlier samples) and stops the stall sampling.
    void StartSampling();
    void StopSampling();

    struct Stalls {
        double p99Ms = 0, maxMs = 0; // lateness of the timer
        double busyMaxMs = 0;        // the thread's own computing in one period, at most
        size_t samples = 0;
    };
    Stalls Measured() const;
    // The end of the first paint on the monotonic clock; 0 before it.
    double FirstPaint() const { return firstPaint_; }
    // The monotonic clock in seconds, the same in every process.
    static double Now();
    // The calling thread's processor time in seconds.
    static double ThreadTime();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Sample();

    std::FILE* out_;
    bool closeOut_;
    QObject* window_ = nullptr;
    bool paintPending_ = false;
    double firstPaint_ = 0;
    QTimer* timer_ = nullptr;
    double last_ = 0, lastBusy_ = 0;
    std::vector<float> lateMs_;
    float busyMaxMs_ = 0;
};

// The monitor the environment asks for: QUORVANE_UI_MONITOR names a file to
// append the reports to, or "-" for standard error. Null when it is not set.
std::unique_ptr<UiMonitor> UiMonitorFromEnvironment();

} // namespace qv
