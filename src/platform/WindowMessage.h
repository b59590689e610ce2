#pragma once

// A window message with its two parameters, as an event posted or sent to a
// QObject (the message number is the event type, see Messages.h).

#include <QEvent>

namespace qv {

class WindowMessage : public QEvent {
public:
    WindowMessage(int message, long long wParam = 0, long long lParam = 0)
        : QEvent(QEvent::Type(message)), wParam(wParam), lParam(lParam) {}
    long long wParam;
    long long lParam;
};

} // namespace qv
