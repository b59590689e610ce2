// The Help menu, the update check, the two options buttons and closing.
#include "WindowCommands.h"

#include "AboutDlg.h"
#include "ConverterDlg.h"
#include "WindowText.h"
#include "base/ProgramFolder.h"
#include "dialogs/ConvOptionsDlg.h"
#include "dialogs/OptionDlg.h"
#include "lorvesta/Lorvesta.h"
#include "platform/ModalRunner.h"
#include "platform/UserServices.h"
#include "services/Services.h"
#include "settings/Ini.h"

#include <QCursor>
#include <QLineEdit>
#include <QMenu>
#include <QUrl>

#include <cstring>

namespace qv {

namespace {

constexpr const char kTimeFormat[] = "%Y-%m-%d %H:%M:%S";
constexpr int kSecondsPerDay = 24 * 60 * 60;

// The Help menu's entries in order; 0 is a separator.
constexpr MenuEntry kHelpMenu[] = {
    {CConverterDlg::ID_HELP_FILE, "HelpFile", "帮助文件"},
    {0, nullptr, nullptr},
    {CConverterDlg::ID_CHECK_UPDATE, "CheckUpdate", "检查更新"},
    {0, nullptr, nullptr},
    {CConverterDlg::ID_SUPPORT, "Support", "反馈和支持"},
    {CConverterDlg::ID_OPEN_LOG, "OpenLog", "打开日志文件"},
    {0, nullptr, nullptr},
    {CConverterDlg::ID_ABOUT, "About", "关于..."},
};

} // namespace

std::string FormatUpdateTime(std::time_t when) {
    std::tm local{};
    if (!::localtime_r(&when, &local))
        return {};
    char text[64];
    if (std::strftime(text, sizeof text, kTimeFormat, &local) == 0)
        return {};
    return text;
}

bool ParseUpdateTime(const std::string& text, std::time_t* when) {
    std::tm local{};
    const char* end = ::strptime(text.c_str(), kTimeFormat, &local);
    if (!end)
        return false;
    while (*end == ' ')
        ++end;
    if (*end != '\0')
        return false;
    local.tm_isdst = -1; // the local rules of that day
    std::time_t t = std::mktime(&local);
    if (t == static_cast<std::time_t>(-1))
        return false;
    *when = t;
    return true;
}

UpdateAction AutomaticUpdateAction(const std::string& last, int checkUpdate, std::time_t now) {
    std::time_t then = 0;
    // A time that cannot be read counts as none: it is replaced by now.
    if (last.empty() || !ParseUpdateTime(last, &then))
        return UpdateAction::StoreNow;
    const long long days = static_cast<long long>(now - then) / kSecondsPerDay;
    const bool due = (checkUpdate == 0 && days >= 1) || (checkUpdate == 1 && days >= 7) ||
                     (checkUpdate == 2 && days >= 30);
    return due ? UpdateAction::RunUpdater : UpdateAction::Nothing;
}

std::string HelpFilePath(const std::string& programFolder) {
    return programFolder + "help.html";
}

std::string SupportAddress(const std::string& programFolder) {
    QUrl url = QUrl::fromLocalFile(QString::fromStdString(HelpFilePath(programFolder)));
    url.setFragment(QStringLiteral("support"));
    return url.toString().toStdString();
}

std::time_t CConverterDlg::Now() const {
    return env_.clock ? env_.clock() : std::time(nullptr);
}

void CConverterDlg::WriteLastUpdateDate() {
    CIni(env_.settingsFile).WriteText("Update", "LastUpdateDate", FormatUpdateTime(Now()).c_str());
}

void CConverterDlg::OnHelpMenu() {
    QMenu menu(this);
    FillMenu(menu, kHelpMenu);
    if (int command = ExecMenu(menu, QCursor::pos()))
        OnCommand(command);
}

void CConverterDlg::OnHelpFile() {
    ShowDocument(HelpFilePath(env_.programFolder));
}

// The updater is started, and the time stored, whatever starting it reports.
void CConverterDlg::OnCheckUpdate() {
    const std::string updater = env_.programFolder + "Update";
    if (!Services().StartProgram(updater))
        Log("The updater could not be started: " + updater);
    WriteLastUpdateDate();
}

void CConverterDlg::OnSupport() {
    ShowDocument(SupportAddress(env_.programFolder));
}

void CConverterDlg::OnOpenLog() {
    ShowFolder(env_.logFolder);
}

void CConverterDlg::OnAbout() {
    CAboutDlg about(SupportAddress(env_.programFolder), this);
    ExecDialog(about);
}

// Installed from the package (a program folder the program does not write
// to), new versions come with the system's package updates: the automatic
// check would only ever open a box that says so, so it stays off. Help ->
// Check for updates still shows it.
void CConverterDlg::OnAutoUpdateCheck() {
    if (!ProgramFolderWritable(env_.programFolder))
        return;
    const std::string last = CIni(env_.settingsFile).ReadText("Update", "LastUpdateDate", "");
    switch (AutomaticUpdateAction(last, settings_.CheckUpdate, Now())) {
    case UpdateAction::StoreNow: WriteLastUpdateDate(); break;
    case UpdateAction::RunUpdater: OnCheckUpdate(); break;
    case UpdateAction::Nothing: break;
    }
}

void CConverterDlg::OnOptions() {
    StopPlayerIfPlaying();
    auto* general = new COptionsPgGeneral(
        settings_.MultiThread != 0, PriorityName(settings_.ProcessPriority), settings_.SnapshotDir);
    auto* video = new COptionsPgVideo(settings_.VideoDriver, settings_.FitWidth != 0,
                                      settings_.FitHeight != 0, settings_.ExpandToVideoSize != 0,
                                      settings_.RoundTo16Pix != 0);
    CConvOptionsDlg sheet(general, video, this);
    if (ExecDialog(sheet) != QDialog::Accepted)
        return;
    settings_.MultiThread = general->multiThread ? 1 : 0;
    settings_.ProcessPriority = PriorityFromName(general->priorityName);
    // The player runs in the snapshot folder: a missing one is made, and
    // one that cannot be made leaves the folder as it was.
    if (MakeFolders(general->snapshotDir))
        settings_.SnapshotDir = general->snapshotDir;
    else
        TellSnapshotFolderUnusable(general->snapshotDir, settings_.SnapshotDir);
    settings_.VideoDriver = video->videoDriver;
    settings_.FitWidth = video->fitWidth ? 1 : 0;
    settings_.FitHeight = video->fitHeight ? 1 : 0;
    settings_.ExpandToVideoSize = video->expand ? 1 : 0;
    settings_.RoundTo16Pix = video->round16 ? 1 : 0;
    preview_.SetSnapshotFolder(settings_.SnapshotDir);
}

void CConverterDlg::TellSnapshotFolderUnusable(const std::string& folder, const std::string& used) {
    Services().MessageBox(TextOr("MsgBox", "SnapshotDirUnusable", "无法创建快照文件夹:") + "\n" +
                              folder + "\n" + TextOr("MsgBox", "SnapshotDirUsed", "快照将保存到:") +
                              "\n" + used,
                          Text("MsgBox", "Info"), MsgIcon::Exclamation, MsgButtons::Ok);
}

void CConverterDlg::OnSkinOptions() {
    COptionDlg dialog(env_.programFolder + "Skins/",
                      OptionChoices{settings_.Skin, settings_.CheckUpdate, settings_.Language},
                      this);
    if (ExecDialog(dialog) != QDialog::Accepted)
        return;
    const OptionChoices chosen = dialog.Result();
    if (!chosen.skin.empty())
        settings_.Skin = chosen.skin;
    if (chosen.updateFrequency >= 0)
        settings_.CheckUpdate = chosen.updateFrequency;
    if (chosen.language != settings_.Language) {
        // Another language shows at once.
        settings_.Language = chosen.language;
        if (LangAvailable() > 0) {
            LangSelectLocale(settings_.Language.c_str());
            ApplyCaptions(true);
            ApplyTips(true);
            ApplyColumnTitles();
        }
    }
    ApplySkin(false);
    update();
}

void CConverterDlg::OnClose() {
    if (closed_)
        return;
    if (adding_) {
        closeWhenAdded_ = true;
        return;
    }
    closed_ = true;
    // An empty box (the player could not be made, or the user emptied it)
    // never erases the folder the settings hold.
    const std::string shown = outputEdit_->text().toStdString();
    if (!shown.empty())
        outputFolder_ = shown;
    // A settings file that cannot be written (read-only, say) stays as it is.
    if (!SaveSettings(CIni(env_.settingsFile), settings_, outputFolder_,
                      hasCurrentProfile_ ? FieldText(currentProfile_.name) : defaultProfile_))
        LogF("The settings could not be saved to %s", env_.settingsFile.c_str());
    StopPlayerIfPlaying();
    Log("----------------------- Quit Converter.exe ---------------------------\n");
    Log("");
    done(QDialog::Accepted);
}

} // namespace qv
