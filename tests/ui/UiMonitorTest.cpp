// The interface monitor: the first paint is reported once, and a thread held
// up by its own work shows as a stall of at least that length.
#include "base/UiMonitor.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QWidget>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void RunEventsFor(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
}

// What the monitor wrote into a memory stream, once the stream is closed.
struct Capture {
    char* text = nullptr;
    size_t size = 0;
    std::FILE* stream = ::open_memstream(&text, &size);
    std::string Close() {
        std::fclose(stream);
        std::string s(text, size);
        std::free(text);
        return s;
    }
};

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

} // namespace

TEST(UiMonitor, ReportsTheFirstPaintOnceAndAStallOfTheThreadsOwnWork) {
    Capture capture;
    qv::UiMonitor::Stalls s;
    {
        qv::UiMonitor monitor(capture.stream);
        QWidget window;
        window.resize(200, 100);
        const double before = qv::UiMonitor::Now();
        monitor.WatchFirstPaint(&window);
        window.show();
        for (int i = 0; i < 200 && monitor.FirstPaint() == 0; ++i)
            RunEventsFor(10);
        EXPECT_GE(monitor.FirstPaint(), before);
        window.update();
        RunEventsFor(50);

        monitor.StartSampling();
        RunEventsFor(20);
        // 30 ms of the thread's own computing, however busy the machine is.
        const double start = qv::UiMonitor::ThreadTime();
        while (qv::UiMonitor::ThreadTime() - start < 0.030) {
        }
        RunEventsFor(20);
        monitor.StopSampling();
        s = monitor.Measured();
        EXPECT_GE(s.maxMs, 27.0);
        EXPECT_GE(s.busyMaxMs, 27.0);
        EXPECT_GT(s.samples, 2u);
    }
    const std::string text = capture.Close();
    EXPECT_EQ(Count(text, "first-paint "), 1u) << text;
    ASSERT_EQ(Count(text, "stalls p99 "), 1u) << text;
    // The closing report carries what was measured, each value in its place.
    double p99 = -1, max = -1, busyMax = -1;
    size_t samples = 0;
    ASSERT_EQ(std::sscanf(text.c_str() + text.find("stalls p99 "),
                          "stalls p99 %lf ms max %lf ms busy max %lf ms samples %zu", &p99, &max,
                          &busyMax, &samples),
              4)
        << text;
    EXPECT_NEAR(p99, s.p99Ms, 0.051);
    EXPECT_NEAR(max, s.maxMs, 0.051);
    EXPECT_NEAR(busyMax, s.busyMaxMs, 0.051);
    EXPECT_EQ(samples, s.samples);
}

TEST(UiMonitor, IsMadeOnlyWhenTheEnvironmentAsks) {
    ::unsetenv("QUORVANE_UI_MONITOR");
    EXPECT_EQ(qv::UiMonitorFromEnvironment(), nullptr);
}
