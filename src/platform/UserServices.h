#pragma once

#include <memory>
#include <string>
#include <vector>

namespace qv {

// Everything that asks the user something or acts on the machine goes
// through this service, so that tests answer instead of a person and no test
// touches the real machine. The program installs the real one at start-up;
// without one, messages go to standard error and questions are answered No.
enum class MsgIcon { None, Information, Exclamation, Question };
enum class MsgButtons { Ok, YesNo };
enum MsgResult { MsgOk = 1, MsgYes = 6, MsgNo = 7 };

// Held while something must not be interrupted by the machine going to
// sleep; released when destroyed.
class SleepInhibitor {
public:
    virtual ~SleepInhibitor() = default;
};

// What a folder picker is asked for.
// What a file picker is asked for.
struct FileRequest {
    std::string windowTitle;   // empty: the picker's own
    std::string initialFolder; // empty: the picker's own
    std::string filter;        // "Media files (*.avi *.mp4);;All files (*)"
};

struct FolderRequest {
    std::string windowTitle;   // empty: the picker's own
    std::string prompt;        // shown above the folders
    std::string rootFolder;    // empty: the whole file system
    std::string initialFolder; // empty: none
};

class UserServices {
public:
    virtual ~UserServices() = default;
    // A modal message box; an empty caption means the program's name.
    virtual int MessageBox(const std::string& text, const std::string& caption, MsgIcon icon,
                           MsgButtons buttons) = 0;
    // Lets the user pick a folder; false when cancelled.
    virtual bool BrowseFolder(const FolderRequest& request, std::string* chosen) = 0;
    // Shows a folder in the desktop's file manager ("open"); false when no
    // program could be started for it.
    virtual bool OpenFolder(const std::string& path) = 0;
    // Lets the user pick files that exist; false when cancelled.
    virtual bool OpenFiles(const FileRequest& request, std::vector<std::string>* chosen) = 0;
    // Opens a document or an address (a file path, or "file:" and "http:"
    // addresses with a fragment) in the desktop's viewer for it; false when
    // no viewer could be started.
    virtual bool OpenDocument(const std::string& pathOrUrl) = 0;
    // Starts a program without waiting for it; false when it cannot start.
    virtual bool StartProgram(const std::string& path) = 0;
    // Asks the machine to power off.
    virtual void PowerOff() = 0;
    // Keeps the machine awake until the result is destroyed; null when the
    // machine offers no way to.
    virtual std::unique_ptr<SleepInhibitor> InhibitSleep(const std::string& why) = 0;
    // A desktop notification; returns at once, and nothing happens on a
    // desktop without a notification service.
    virtual void Notify(const std::string& summary, const std::string& body) {
        (void)summary;
        (void)body;
    }
    // The progress (0 to 1) on the program's taskbar entry, where the desktop
    // shows one; a negative value takes it away. Returns at once.
    virtual void ShowTaskbarProgress(double fraction) { (void)fraction; }
};

// The service in use; never null.
UserServices& Services();
// Installs a service (not owned); null goes back to the console one.
void SetServices(UserServices* services);

} // namespace qv
