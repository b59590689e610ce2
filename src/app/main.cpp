#include "mainwnd/ConverterDlg.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvane Pro"));
    // Arguments are ignored: the program has no command line of its own.
    qv::CConverterDlg dlg;
    dlg.exec();
    return 0;
}
