#include "ProgramEntry.h"

#include <cstdlib>
#include <cstring>

namespace qv {

bool ChineseLocale(const std::vector<const char*>& variables) {
    for (const char* name : variables)
        if (const char* v = std::getenv(name); v && *v)
            return std::strncmp(v, "zh", 2) == 0;
    return false;
}

bool WantsXcbPlatform(const char* qtPlatform, const char* waylandDisplay, const char* display) {
    return !qtPlatform && waylandDisplay && display;
}

std::string UpdateNotice(const std::string& version, bool chinese) {
    if (chinese)
        return "Quorvane Pro 版本 " + version +
               "\n\n本程序随系统的软件包更新而更新: 请用系统的软件更新程序 (例如 \"sudo apt "
               "update && sudo apt upgrade\") 获取新版本。";
    return "Quorvane Pro version " + version +
           "\n\nThis program is updated with your system's package updates: use the system's "
           "software updater (for example \"sudo apt update && sudo apt upgrade\") to get a new "
           "version.";
}

} // namespace qv
