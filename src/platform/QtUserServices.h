#pragma once

#include "UserServices.h"

class QWidget;

namespace qv {

// The desktop's services: Qt's message boxes, the desktop's "open", and the
// login manager (logind, over D-Bus) for power-off and sleep locks.
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
};

} // namespace qv
