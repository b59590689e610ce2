#include "ProgramFolder.h"

#include "QuorvaneVersion.h"

#include <QStandardPaths>
#include <QString>

#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qv {

std::string FolderOfPath(std::string_view path) {
    size_t slash = path.rfind('/');
    if (slash == std::string_view::npos)
        return "./";
    return std::string(path.substr(0, slash + 1));
}

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

std::string DocumentsFolder() {
    QString docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    std::string folder = docs.toStdString();
    if (folder.empty()) {
        const char* home = std::getenv("HOME");
        folder = home && *home ? home : "/tmp";
    }
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
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
