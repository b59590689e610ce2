#pragma once

// Waiting in a test while the event loop runs: timers fire, posted events
// arrive.

#include <QCoreApplication>
#include <QElapsedTimer>

namespace qvtest {

// Runs the event loop until the condition holds or the time is up; whether it holds.
template <typename F> bool Until(F done, int ms = 10000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

// Runs the event loop for a while.
inline void RunEventsFor(int ms) {
    Until([] { return false; }, ms);
}

} // namespace qvtest
