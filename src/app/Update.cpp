// The updater the program starts from its Help menu and its automatic check.
// It tells the installed version and where new versions come from; it never
// downloads or installs anything itself.
#include "app/ProgramEntry.h"
#include "base/ProgramFolder.h"

#include <QApplication>
#include <QMessageBox>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvane Pro"));
    const bool chinese = qv::ChineseLocale({"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"});
    QMessageBox box(QMessageBox::Information, QStringLiteral("Quorvane Pro"),
                    QString::fromStdString(qv::UpdateNotice(qv::FileVersionText(), chinese)),
                    QMessageBox::Ok);
    box.exec();
    return 0;
}
