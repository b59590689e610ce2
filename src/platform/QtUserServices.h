#pragma once

#include "UserServices.h"

class QWidget;

namespace qv {

// The desktop's services: Qt's message boxes, the desktop's "open", the
// login manager (logind, over D-Bus) for power-off and sleep locks, and the
// session bus's notification service and launcher-entry signal.
class QtUserServices : public UserServices {
public:
    int MessageBox(const std::string& text, const std::string& caption, MsgIcon icon,
                   MsgButtons buttons) override;
    bool BrowseFolder(const FolderRequest& request, std::string* chosen) override;
    bool OpenFolder(const std::string& path) override;
    bool OpenFiles(const FileRequest& request, std::vector<std::string>* chosen) override;
    bool OpenDocument(const std::string& pathOrUrl) override;
    bool StartProgram(const std::string& path) override;
    void PowerOff() override;
    std::unique_ptr<SleepInhibitor> InhibitSleep(const std::string& why) override;
    void Notify(const std::string& summary, const std::string& body) override;
    void ShowTaskbarProgress(double fraction) override;
};

// The desktop entry the taskbar knows the program by.
inline constexpr const char* kDesktopEntryUri = "application://org.quorvane.QuorvanePro.desktop";

} // namespace qv
