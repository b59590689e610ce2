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

#include "Messages.h"

#include <QCoreApplication>

#include <string>

namespace qv {

// WM_ADD_FILE with the path it adds (the window owns the copy).
class AddFileMessage : public WindowMessage {
public:
    explicit AddFileMessage(std::string path) : WindowMessage(WM_ADD_FILE), path(std::move(path)) {}
    std::string path;
};

// Asks a main window to add one file as a source; from any thread. Returns 0.
inline int PostAddFile(QObject* window, std::string path) {
    QCoreApplication::postEvent(window, new AddFileMessage(std::move(path)));
    return 0;
}

} // namespace qv
