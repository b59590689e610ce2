#pragma once

// A program folder of the build's files in a temporary folder, a settings
// file and a home of its own, the user-services and modal doubles, and a main
// window opened on them.

#include "support/ModalAnswers.h"
#include "support/Paths.h"
#include "support/RecordingServices.h"
#include "support/TempDir.h"
#include "support/Wait.h"

#include "base/ProgramFolder.h"
#include "controls/ColumnTreeCtrl.h"
#include "dialogs/ProfileSettingDlg.h"
#include "mainwnd/ConverterDlg.h"
#include "player/MPlayer.h"
#include "queue/ConvertingDlg.h"
#include "settings/Ini.h"
#include "tessarn/Tessarn.h"

#include <QApplication>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>

namespace qvtest {

// The main window's source list.
inline QTreeWidget* Tree(qv::CConverterDlg& dlg) {
    return static_cast<qv::CColumnTreeCtrl*>(dlg.Control(qv::CConverterDlg::IDC_SOURCE_LIST))
        ->GetTreeCtrl();
}

// The progress window of the batch that runs, as the user sees it; null when
// none runs.
inline QWidget* RunningBatchWindow() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<qv::CConvertingDlg*>(w))
            return w;
    return nullptr;
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string build = ProgramDir();
        Run("mkdir -p '" + program / "Skins" + "' '" + home / "docs" + "'");
        for (const char* entry : {"Profiles", "Lang", "codecs", "help.html"})
            Run("ln -s '" + build + entry + "' '" + program / entry + "'");
        for (const char* skin : {"Default", "Midnight"})
            Run("ln -s '" + build + "Skins/" + skin + "' '" + program / "Skins/" + skin + "'");
        env.programFolder = program.path() + "/";
        env.settingsFile = program / "Config.ini";
        env.documentsFolder = home / "docs";
    }

    std::unique_ptr<qv::CConverterDlg> Open() { return std::make_unique<qv::CConverterDlg>(env); }

    // The window makes its player as it would, and the test keeps a pointer
    // to it in `player` (the window destroys it).
    void KeepPlayer() {
        env.makePlayer = [this](QObject* owner, QWidget* parent) {
            auto made = std::make_unique<qv::CMPlayer>(owner, parent);
            made->SetPlayerPath(program / "codecs/vistrel");
            player = made.get();
            return made;
        };
    }

    // The profile the window converts with, as its settings dialog opens on
    // it; none when the dialog does not open.
    std::optional<qv::ProfileRecord> CurrentProfile(qv::CConverterDlg& dlg) {
        std::optional<qv::ProfileRecord> shown;
        auto answer = std::move(modal.dialogAnswer);
        modal.dialogAnswer = [&shown](QDialog& d) {
            if (auto* settings = qobject_cast<qv::CProfileSettingDlg*>(&d))
                shown = settings->Profile();
            return int(QDialog::Rejected);
        };
        dlg.OnCommand(qv::CConverterDlg::IDC_PROFILE_SETTINGS);
        modal.dialogAnswer = std::move(answer);
        return shown;
    }
    std::string CurrentProfileName(qv::CConverterDlg& dlg) {
        const auto profile = CurrentProfile(dlg);
        return profile ? qv::FieldText(profile->name) : "(none)";
    }

    // The profile table of the program folder, as the window loads it.
    std::unique_ptr<qv::ProfileTable> LoadProfileTable() {
        auto table = std::make_unique<qv::ProfileTable>();
        std::string folder = program / "Profiles/";
        LoadProfiles(folder.data(), table.get(), "1");
        return table;
    }

    static void Run(const std::string& command) {
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }
    void WriteIni(const std::string& text) { std::ofstream(env.settingsFile) << text; }
    std::string ReadIni(const char* section, const char* key) {
        return qv::CIni(env.settingsFile).ReadText(section, key, "");
    }
    std::string ReadAnySection(const char* key) {
        for (const char* section : {"System", "General", "Video", "Osprel", "Update"}) {
            std::string v = qv::CIni(env.settingsFile).ReadText(section, key, "\x01");
            if (v != "\x01")
                return v;
        }
        return "(missing)";
    }
    void RemoveLanguages() { Run("rm '" + program / "Lang" + "'"); }
    // A copy of the Default skin whose button sits elsewhere and whose
    // pictures are the Midnight skin's.
    void MakeMovedSkin(const std::string& name, int id, int left, int top) {
        const std::string folder = program / "Skins/" + name;
        Run("cp -rL '" + ProgramDir() + "Skins/Midnight' '" + folder + "'");
        const std::string pattern = "<BmpButtonID>" + std::to_string(id) +
                                    "</BmpButtonID>\\(<szFilePath>[^<]*</szFilePath>\\)<left>[0-9]*"
                                    "</left><top>[0-9]*</top>";
        const std::string replacement = "<BmpButtonID>" + std::to_string(id) +
                                        "</BmpButtonID>\\1<left>" + std::to_string(left) +
                                        "</left><top>" + std::to_string(top) + "</top>";
        Run("sed -i 's#" + pattern + "#" + replacement + "#' '" + folder + "/SkinSetting.xml'");
    }

    bool HasEvent(const std::string& prefix) {
        std::lock_guard lock(services.mutex);
        for (const std::string& e : services.events)
            if (e.rfind(prefix, 0) == 0)
                return true;
        return false;
    }

    // Runs the event loop until the condition holds, at most a few seconds.
    template <typename F> static bool WaitUntil(F condition, int ms = 8000) {
        return Until(condition, ms);
    }

    // How often a text stands in the test log (the log is written by a thread
    // of its own, so it is read again until it settles).
    static size_t LogCountNow(const std::string& text) {
        const char* dir = std::getenv("QUORVANE_LOG_DIR");
        if (!dir)
            return 0;
        size_t count = 0;
        if (DIR* d = ::opendir(dir)) {
            while (dirent* e = ::readdir(d)) {
                std::string name = e->d_name;
                if (name.size() < 4 || name.substr(name.size() - 4) != ".log")
                    continue;
                std::ifstream in(std::string(dir) + "/" + name);
                std::stringstream all;
                all << in.rdbuf();
                const std::string s = all.str();
                for (size_t at = s.find(text); at != std::string::npos; at = s.find(text, at + 1))
                    ++count;
            }
            ::closedir(d);
        }
        return count;
    }
    static size_t LogCount(const std::string& text) {
        size_t last = LogCountNow(text);
        for (int i = 0; i < 10; ++i) {
            QApplication::processEvents(QEventLoop::AllEvents, 30);
            size_t now = LogCountNow(text);
            if (now == last && i > 2)
                break;
            last = now;
        }
        return last;
    }
    static bool LogHas(const std::string& text) {
        return WaitUntil([&] { return LogCountNow(text) > 0; });
    }

    TempDir program, home;
    RecordingServices services;
    ModalAnswers modal;
    qv::CConverterDlg::Environment env;
    qv::CMPlayer* player = nullptr; // with KeepPlayer
};

} // namespace qvtest
