#include "PathText.h"

#include <sys/stat.h>

namespace qv {

bool PathExists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

bool IsFolder(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string FileNameOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string WithSlash(std::string folder) {
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    return folder;
}

std::string FolderOfPath(std::string_view path) {
    size_t slash = path.rfind('/');
    if (slash == std::string_view::npos)
        return "./";
    return std::string(path.substr(0, slash + 1));
}

} // namespace qv
