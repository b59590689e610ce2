// The start-up benchmark's yardstick: a bare Qt window of the main window's
// size and kind, reporting its first paint the way the program does.
#include "base/UiMonitor.h"
#include "mainwnd/ConverterDlg.h"

#include <QApplication>
#include <QPainter>
#include <QWidget>

#include <memory>

namespace {

class Bare : public QWidget {
protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), QColor(78, 78, 78)); }
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    std::unique_ptr<qv::UiMonitor> monitor = qv::UiMonitorFromEnvironment();
    Bare window;
    window.setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    window.resize(qv::CConverterDlg::kWidth, qv::CConverterDlg::kHeight);
    if (monitor)
        monitor->WatchFirstPaint(&window);
    window.show();
    return QApplication::exec();
}
