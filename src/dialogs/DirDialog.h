#pragma once

#include <string>

class QWidget;

namespace qv {

// The folder picker, through the platform's user services.
class CDirDialog {
public:
    virtual ~CDirDialog() = default;

    std::string windowTitle;   // empty: the picker's own
    std::string prompt;        // empty: "打开" (in the user's language)
    std::string rootFolder;    // empty: the whole file system
    std::string initialFolder; // empty: none
    bool showStatus = false;

    std::string chosenPath; // without a trailing "/", except for "/"
    int imageIndex = 0;

    // 1 when a folder was chosen, 0 otherwise.
    int Browse(QWidget* owner = nullptr);
    // Whether a newly selected folder may be chosen; this one takes any.
    virtual bool OnFolderChanged(const std::string& path, std::string& statusText);
};

} // namespace qv
