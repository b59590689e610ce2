#include "ProgramFolder.h"

#include "PathText.h"

#include "QuorvaneVersion.h"

#include <QStandardPaths>
#include <QString>

#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <fstream>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qv {

std::string ProgramFolder() {
    static const std::string folder = [] {
        char buffer[PATH_MAX];
        ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
        if (n <= 0)
            return std::string("./");
        return FolderOfPath(std::string_view(buffer, static_cast<size_t>(n)));
    }();
    return folder;
}

namespace {

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home && *home)
        return home;
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir && *pw->pw_dir)
        return pw->pw_dir;
    return "/tmp";
}

std::string WithoutTrailingSlash(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

std::string StandardFolder(QStandardPaths::StandardLocation location) {
    std::string folder = QStandardPaths::writableLocation(location).toStdString();
    return WithoutTrailingSlash(folder.empty() ? HomeFolder() : folder);
}

// An XDG base folder: the variable when it holds an absolute path, else the
// fallback under the home folder.
std::string XdgFolder(const char* variable, const char* fallback) {
    const char* v = std::getenv(variable);
    if (v && v[0] == '/')
        return WithoutTrailingSlash(v);
    return HomeFolder() + "/" + fallback;
}

// mkdir -p; the folders made are given the mode.
bool MakeFolders(const std::string& path, mode_t mode) {
    for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string part = path.substr(0, slash);
        if (!part.empty() && ::mkdir(part.c_str(), mode) != 0 && errno != EEXIST)
            return false;
        if (slash == std::string::npos)
            break;
    }
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Copies a file unless the target exists; the copy appears whole or not at
// all, and a copy another process made first is kept.
void CopyIfMissing(const std::string& from, const std::string& to) {
    if (::access(to.c_str(), F_OK) == 0)
        return;
    std::ifstream in(from, std::ios::binary);
    if (!in)
        return;
    std::string temp = to + ".XXXXXX";
    int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return;
    char buffer[8192];
    bool ok = true;
    while (ok && in.read(buffer, sizeof buffer).gcount() > 0) {
        const char* p = buffer;
        for (auto left = static_cast<size_t>(in.gcount()); ok && left > 0;) {
            ssize_t n = ::write(fd, p, left);
            ok = n > 0;
            p += n > 0 ? n : 0;
            left -= n > 0 ? static_cast<size_t>(n) : 0;
        }
    }
    ok = ::close(fd) == 0 && ok;
    // link() fails when the target appeared meanwhile: that copy is kept.
    if (ok && ::link(temp.c_str(), to.c_str()) != 0 && errno != EEXIST)
        ok = false;
    ::unlink(temp.c_str());
}

} // namespace

std::string DocumentsFolder() {
    return StandardFolder(QStandardPaths::DocumentsLocation);
}

std::string VideosFolder() {
    return StandardFolder(QStandardPaths::MoviesLocation);
}

std::string PicturesFolder() {
    return StandardFolder(QStandardPaths::PicturesLocation);
}

bool ProgramFolderWritable(const std::string& folder) {
    if (::access((folder + kPerUserMarker).c_str(), F_OK) == 0)
        return false;
    // The settings file is replaced by a rename, so the folder is what must be writable.
    return ::access(folder.c_str(), W_OK) == 0;
}

UserFileLocations LocateUserFiles(const std::string& programFolder, bool writable) {
    UserFileLocations l;
    l.perUser = !writable;
    if (writable) {
        l.settingsFile = programFolder + "Config.ini";
        l.logFolder = programFolder + "LogFile";
    } else {
        l.settingsFile = XdgFolder("XDG_CONFIG_HOME", ".config") + "/quorvane-pro/Config.ini";
        l.logFolder = XdgFolder("XDG_DATA_HOME", ".local/share") + "/quorvane-pro/LogFile";
    }
    return l;
}

bool PrepareUserFiles(const UserFileLocations& l, const std::string& programFolder) {
    if (!l.perUser)
        return true;
    MakeFolders(FolderOfPath(l.logFolder), 0700);
    if (!MakeFolders(FolderOfPath(l.settingsFile), 0700))
        return false;
    CopyIfMissing(programFolder + "Config.ini", l.settingsFile);
    return true;
}

const UserFileLocations& UserFiles() {
    static const UserFileLocations locations = [] {
        const std::string folder = ProgramFolder();
        UserFileLocations l = LocateUserFiles(folder, ProgramFolderWritable(folder));
        PrepareUserFiles(l, folder);
        return l;
    }();
    return locations;
}

std::string SettingsFilePath() {
    return UserFiles().settingsFile;
}

std::string LogFolder() {
    const char* dir = std::getenv("QUORVANE_LOG_DIR");
    return dir && *dir ? WithoutTrailingSlash(dir) : UserFiles().logFolder;
}

std::string FileVersionTextOf(const char* stamped) {
    if (!stamped || !*stamped)
        return "None VerSion Supprot";
    return stamped;
}

std::string FileVersionText() {
    return FileVersionTextOf(QUORVANE_FILE_VERSION);
}

TraceHook::TraceHook(std::string folder) : folder_(std::move(folder)) {
    if (!folder_.empty() && folder_.back() != '/')
        folder_ += '/';
}

TraceHook::~TraceHook() {
    if (library_)
        ::dlclose(library_);
}

void TraceHook::Resolve() {
    if (resolved_)
        return;
    resolved_ = true;
    if (folder_.empty())
        return;
    std::string path = folder_ + "libxTRACE.so";
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return;
    if ((st.st_uid != ::getuid() && st.st_uid != 0) || (st.st_mode & (S_IWGRP | S_IWOTH)))
        return;
    library_ = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library_)
        proc_ = reinterpret_cast<Proc>(::dlsym(library_, "MagicTraceProc"));
}

bool TraceHook::Loaded() {
    Resolve();
    return proc_ != nullptr;
}

void TraceHook::MessageV(const char* format, va_list args) {
    Resolve();
    if (!proc_)
        return;
    char line[512];
    int n = std::vsnprintf(line, sizeof line, format, args);
    if (n > 0)
        proc_(1, 0, line, 0, 0);
}

void TraceHook::Message(const char* format, ...) {
    va_list args;
    va_start(args, format);
    MessageV(format, args);
    va_end(args);
}

void TraceMessage(const char* format, ...) {
    static TraceHook hook([] {
        const char* tmp = std::getenv("TMPDIR");
        return std::string(tmp && *tmp ? tmp : "/tmp");
    }());
    va_list args;
    va_start(args, format);
    hook.MessageV(format, args);
    va_end(args);
}

} // namespace qv
