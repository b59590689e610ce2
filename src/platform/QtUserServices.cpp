#include "QtUserServices.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#include <QDBusUnixFileDescriptor>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QProcess>
#include <QUrl>

namespace qv {

namespace {

const char kLogind[] = "org.freedesktop.login1";
const char kLogindPath[] = "/org/freedesktop/login1";
const char kLogindManager[] = "org.freedesktop.login1.Manager";

class LogindInhibitor : public SleepInhibitor {
public:
    explicit LogindInhibitor(QDBusUnixFileDescriptor fd) : fd_(std::move(fd)) {}
    // The lock ends when the last copy of its descriptor is closed.
private:
    QDBusUnixFileDescriptor fd_;
};

} // namespace

int QtUserServices::MessageBox(const std::string& text, const std::string& caption, MsgIcon icon,
                               MsgButtons buttons) {
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(caption.empty() ? QApplication::applicationName()
                                       : QString::fromStdString(caption));
    box.setText(QString::fromStdString(text));
    switch (icon) {
    case MsgIcon::Information: box.setIcon(QMessageBox::Information); break;
    case MsgIcon::Exclamation: box.setIcon(QMessageBox::Warning); break;
    case MsgIcon::Question: box.setIcon(QMessageBox::Question); break;
    case MsgIcon::None: break;
    }
    if (buttons == MsgButtons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes ? MsgYes : MsgNo;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return MsgOk;
}

bool QtUserServices::BrowseFolder(const FolderRequest& request, std::string* chosen) {
    QFileDialog dialog(QApplication::activeWindow());
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setOption(QFileDialog::DontUseNativeDialog); // the prompt needs a label of ours
    if (!request.windowTitle.empty())
        dialog.setWindowTitle(QString::fromStdString(request.windowTitle));
    dialog.setLabelText(QFileDialog::LookIn, QString::fromStdString(request.prompt));
    if (!request.rootFolder.empty())
        dialog.setDirectory(QString::fromStdString(request.rootFolder));
    if (!request.initialFolder.empty())
        dialog.setDirectory(QString::fromStdString(request.initialFolder));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    *chosen = QDir::cleanPath(dialog.selectedFiles().first()).toStdString();
    return true;
}

bool QtUserServices::OpenFolder(const std::string& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

bool QtUserServices::OpenFiles(const FileRequest& request, std::vector<std::string>* chosen) {
    QFileDialog dialog(QApplication::activeWindow());
    dialog.setFileMode(QFileDialog::ExistingFiles);
    if (!request.windowTitle.empty())
        dialog.setWindowTitle(QString::fromStdString(request.windowTitle));
    if (!request.initialFolder.empty())
        dialog.setDirectory(QString::fromStdString(request.initialFolder));
    if (!request.filter.empty())
        dialog.setNameFilter(QString::fromStdString(request.filter));
    if (dialog.exec() != QDialog::Accepted)
        return false;
    chosen->clear();
    for (const QString& file : dialog.selectedFiles())
        chosen->push_back(QDir::cleanPath(file).toStdString());
    return !chosen->empty();
}

bool QtUserServices::OpenDocument(const std::string& pathOrUrl) {
    const QString text = QString::fromStdString(pathOrUrl);
    QUrl url = text.startsWith('/') ? QUrl::fromLocalFile(text) : QUrl(text);
    return QDesktopServices::openUrl(url);
}

bool QtUserServices::StartProgram(const std::string& path) {
    return QProcess::startDetached(QString::fromStdString(path), {});
}

void QtUserServices::PowerOff() {
    QDBusInterface manager(kLogind, kLogindPath, kLogindManager, QDBusConnection::systemBus());
    if (manager.isValid()) {
        // Interactive: the login manager may ask for a password if it must.
        QDBusMessage reply = manager.call("PowerOff", true);
        if (reply.type() != QDBusMessage::ErrorMessage)
            return;
    }
    QProcess::startDetached("systemctl", {"poweroff"});
}

std::unique_ptr<SleepInhibitor> QtUserServices::InhibitSleep(const std::string& why) {
    QDBusInterface manager(kLogind, kLogindPath, kLogindManager, QDBusConnection::systemBus());
    if (!manager.isValid())
        return nullptr;
    QDBusReply<QDBusUnixFileDescriptor> reply =
        manager.call("Inhibit", QStringLiteral("sleep"), QApplication::applicationName(),
                     QString::fromStdString(why), QStringLiteral("block"));
    if (!reply.isValid())
        return nullptr;
    return std::make_unique<LogindInhibitor>(reply.value());
}

} // namespace qv
