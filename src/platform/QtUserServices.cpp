#include "QtUserServices.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusUnixFileDescriptor>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QProcess>
#include <QUrl>

#include <algorithm>
#include <memory>

namespace qv {

namespace {

const char kLogind[] = "org.freedesktop.login1";
const char kLogindPath[] = "/org/freedesktop/login1";
const char kLogindManager[] = "org.freedesktop.login1.Manager";

// The login manager is asked without waiting for its answer: the window
// must never freeze on the system bus (or on a password prompt it shows).
QDBusPendingCallWatcher* AskLogind(const QString& method, const QList<QVariant>& arguments) {
    QDBusMessage call =
        QDBusMessage::createMethodCall(kLogind, kLogindPath, kLogindManager, method);
    call.setArguments(arguments);
    call.setInteractiveAuthorizationAllowed(true);
    return new QDBusPendingCallWatcher(QDBusConnection::systemBus().asyncCall(call),
                                       QCoreApplication::instance());
}

// The lock ends when the last copy of its descriptor is closed. The
// descriptor arrives with the answer; one that arrives after the lock was
// let go is closed at once.
class LogindInhibitor : public SleepInhibitor {
public:
    explicit LogindInhibitor(const std::string& why)
        : held_(std::make_shared<QDBusUnixFileDescriptor>()), alive_(std::make_shared<bool>(true)) {
        QDBusPendingCallWatcher* watcher =
            AskLogind("Inhibit", {QStringLiteral("sleep"), QApplication::applicationName(),
                                  QString::fromStdString(why), QStringLiteral("block")});
        QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                         [held = held_, alive = alive_](QDBusPendingCallWatcher* w) {
                             QDBusPendingReply<QDBusUnixFileDescriptor> reply = *w;
                             if (*alive && reply.isValid())
                                 *held = reply.value();
                             w->deleteLater();
                         });
    }
    ~LogindInhibitor() override {
        *alive_ = false;
        *held_ = QDBusUnixFileDescriptor();
    }

private:
    std::shared_ptr<QDBusUnixFileDescriptor> held_;
    std::shared_ptr<bool> alive_;
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
    // Interactive: the login manager may ask for a password if it must.
    QDBusPendingCallWatcher* watcher = AskLogind("PowerOff", {true});
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [](QDBusPendingCallWatcher* w) {
                         if (w->isError())
                             QProcess::startDetached("systemctl", {"poweroff"});
                         w->deleteLater();
                     });
}

std::unique_ptr<SleepInhibitor> QtUserServices::InhibitSleep(const std::string& why) {
    return std::make_unique<LogindInhibitor>(why);
}

// The freedesktop notification service, asked without waiting: a desktop
// without one (or a bus that does not answer) costs nothing.
void QtUserServices::Notify(const std::string& summary, const std::string& body) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.Notifications",
                                                       "/org/freedesktop/Notifications",
                                                       "org.freedesktop.Notifications", "Notify");
    QVariantMap hints;
    hints.insert("desktop-entry", QStringLiteral("org.quorvane.QuorvanePro"));
    call << QStringLiteral("Quorvane Pro") << 0u << QStringLiteral("org.quorvane.QuorvanePro")
         << QString::fromStdString(summary) << QString::fromStdString(body) << QStringList()
         << hints << -1;
    call.setAutoStartService(false);
    bus.asyncCall(call);
}

// The launcher-entry signal that KDE's task manager, Dash to Dock and Plank
// read; it is only sent, never answered.
void QtUserServices::ShowTaskbarProgress(double fraction) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage signal = QDBusMessage::createSignal("/org/quorvane/QuorvanePro",
                                                     "com.canonical.Unity.LauncherEntry", "Update");
    QVariantMap properties;
    properties.insert("progress-visible", fraction >= 0);
    properties.insert("progress", std::clamp(fraction, 0.0, 1.0));
    signal << QString::fromLatin1(kDesktopEntryUri) << properties;
    bus.send(signal);
}

} // namespace qv
