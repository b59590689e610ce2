#include "UserServices.h"

#include <atomic>
#include <cstdio>

namespace qv {

namespace {

class ConsoleServices : public UserServices {
public:
    int MessageBox(const std::string& text, const std::string& caption, MsgIcon,
                   MsgButtons buttons) override {
        std::fprintf(stderr, "%s%s%s\n", caption.c_str(), caption.empty() ? "" : ": ",
                     text.c_str());
        return buttons == MsgButtons::YesNo ? MsgNo : MsgOk;
    }
    bool BrowseFolder(const FolderRequest&, std::string*) override { return false; }
    bool OpenFolder(const std::string& path) override {
        std::fprintf(stderr, "output folder: %s\n", path.c_str());
        return true;
    }
    bool OpenFiles(const FileRequest&, std::vector<std::string>*) override { return false; }
    bool OpenDocument(const std::string& path) override {
        std::fprintf(stderr, "document: %s\n", path.c_str());
        return true;
    }
    bool StartProgram(const std::string&) override { return false; }
    void PowerOff() override { std::fprintf(stderr, "power-off was asked for; not done here\n"); }
    std::unique_ptr<SleepInhibitor> InhibitSleep(const std::string&) override { return nullptr; }
};

ConsoleServices g_console;
std::atomic<UserServices*> g_services{&g_console};

} // namespace

UserServices& Services() {
    return *g_services.load();
}

void SetServices(UserServices* services) {
    g_services = services ? services : &g_console;
}

} // namespace qv
