#pragma once

#include <cstdarg>
#include <string>
#include <string_view>

namespace qv {

// The folder of the running program, ending with "/". Every file of the
// program is found by appending a relative name to it.
std::string ProgramFolder();
// The folder part of a file path, ending with "/"; "/" for a file in the root.
std::string FolderOfPath(std::string_view path);
// The user's documents folder, without a trailing "/".
std::string DocumentsFolder();

// The version the build stamped into the program, or "None VerSion Supprot"
// when it stamped none.
std::string FileVersionText();
std::string FileVersionTextOf(const char* stamped);

// Hands a formatted line to the optional trace library "libxTRACE.so" in the
// temporary folder (procedure "MagicTraceProc"). Does nothing without it.
void TraceMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The trace hook of one folder; TraceMessage uses the one of the temporary
// folder. The library is loaded on the first message only, and only when it
// is a regular file owned by this user or root and writable by nobody else:
// the temporary folder is shared, and anything else there could be planted.
class TraceHook {
public:
    using Proc = void (*)(int, int, const char*, int, int);
    explicit TraceHook(std::string folder);
    ~TraceHook();
    TraceHook(const TraceHook&) = delete;
    TraceHook& operator=(const TraceHook&) = delete;

    void Message(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void MessageV(const char* format, va_list args);
    bool Loaded();

private:
    void Resolve();

    std::string folder_;
    bool resolved_ = false;
    void* library_ = nullptr;
    Proc proc_ = nullptr;
};

} // namespace qv
