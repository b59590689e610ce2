#include "DirDialog.h"

#include "platform/UserServices.h"
#include "services/Services.h"

namespace qv {

bool CDirDialog::OnFolderChanged(const std::string&, std::string&) {
    return true;
}

int CDirDialog::Browse(QWidget*) {
    FolderRequest request;
    request.windowTitle = windowTitle;
    request.prompt = prompt.empty() ? UiText("DlgFolder", "Open", "打开") : prompt;
    request.rootFolder = rootFolder;
    std::string initial = initialFolder;
    while (!initial.empty() && initial.back() == ' ')
        initial.pop_back();
    if (initial.size() > 1 && initial.back() == '/')
        initial.pop_back();
    request.initialFolder = initial;
    std::string chosen;
    if (!Services().BrowseFolder(request, &chosen) || chosen.empty())
        return 0;
    while (chosen.size() > 1 && chosen.back() == '/')
        chosen.pop_back();
    std::string status;
    if (!OnFolderChanged(chosen, status))
        return 0;
    chosenPath = chosen;
    imageIndex = 0;
    return 1;
}

} // namespace qv
