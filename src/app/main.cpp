#include "mainwnd/ConverterDlg.h"
#include "platform/QtUserServices.h"
#include "services/Services.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvane Pro"));
    // Arguments are ignored: the program has no command line of its own.
    qv::QtUserServices services;
    qv::SetServices(&services);
    qv::SetUpLog();
    qv::LangOpenDefault();
    qv::CConverterDlg dlg;
    dlg.exec();
    qv::SetServices(nullptr);
    return 0;
}
