#include "app/ProgramEntry.h"
#include "base/UiMonitor.h"
#include "mainwnd/ConverterDlg.h"
#include "platform/QtUserServices.h"
#include "services/Services.h"

#include <QApplication>

#include <cstdlib>
#include <memory>

int main(int argc, char** argv) {
    if (qv::WantsXcbPlatform(std::getenv("QT_QPA_PLATFORM"), std::getenv("WAYLAND_DISPLAY"),
                             std::getenv("DISPLAY")))
        ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvane Pro"));
    // Arguments change nothing: the program has no command line of its own.
    qv::QtUserServices services;
    qv::SetServices(&services);
    qv::SetUpLog(); // before the first entry: the log folder of this user
    int status = 0;
    {
        // Made only when QUORVANE_UI_MONITOR asks for it.
        std::unique_ptr<qv::UiMonitor> monitor = qv::UiMonitorFromEnvironment();
        qv::CConverterDlg dlg;
        if (monitor)
            monitor->WatchFirstPaint(&dlg);
        dlg.exec();
    }
    qv::SetServices(nullptr);
    return status;
}
