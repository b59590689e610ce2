// The updater the program starts from its Help menu and its automatic check.
// It tells the installed version and where new versions come from; it never
// downloads or installs anything itself.
#include "base/ProgramFolder.h"

#include <QApplication>
#include <QLocale>
#include <QMessageBox>

#include <cstdlib>
#include <cstring>

namespace {

bool Chinese() {
    for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"})
        if (const char* v = std::getenv(name); v && *v)
            return std::strncmp(v, "zh", 2) == 0;
    return false;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvane Pro"));
    const QString version = QString::fromStdString(qv::FileVersionText());
    const QString text =
        Chinese()
            ? QStringLiteral("Quorvane Pro 版本 %1\n\n本程序随系统的软件包更新而更新: 请用系统的"
                             "软件更新程序 (例如 \"sudo apt update && sudo apt upgrade\") "
                             "获取新版本。")
                  .arg(version)
            : QStringLiteral("Quorvane Pro version %1\n\nThis program is updated with your "
                             "system's package updates: use the system's software updater "
                             "(for example \"sudo apt update && sudo apt upgrade\") to get a "
                             "new version.")
                  .arg(version);
    QMessageBox box(QMessageBox::Information, QStringLiteral("Quorvane Pro"), text,
                    QMessageBox::Ok);
    box.exec();
    return 0;
}
