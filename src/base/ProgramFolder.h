#pragma once

#include <cstdarg>
#include <string>
#include <string_view>

namespace qv {

// The folder of the running program, ending with "/". Every file of the
// program is found by appending a relative name to it.
std::string ProgramFolder();
// The user's documents, videos and pictures folders (xdg-user-dir), without
// a trailing "/".
std::string DocumentsFolder();
std::string VideosFolder();
std::string PicturesFolder();

// Where the program keeps the files it writes. In a program folder it may
// write to (the build folder, a folder the user unpacked) that is the folder
// itself; otherwise the user's own folders, so that every user keeps their
// own files and nothing is written where it would be refused or lost.
struct UserFileLocations {
    bool perUser = false;
    std::string settingsFile; // Config.ini
    std::string logFolder;    // LogFile, without a trailing "/"
};

// The marker a system-wide install lays in the program folder: with it the
// folder counts as not writable, also for root, whose files would otherwise
// land in a folder that belongs to the package manager.
inline constexpr const char* kPerUserMarker = "per-user-files";

// Whether the program may keep its files in a program folder.
bool ProgramFolderWritable(const std::string& folder);
// The locations for a program folder: beside it when writable, else
// $XDG_CONFIG_HOME/quorvane-pro/Config.ini and $XDG_DATA_HOME/quorvane-pro/LogFile
// (~/.config and ~/.local/share when those are unset or not absolute).
UserFileLocations LocateUserFiles(const std::string& programFolder, bool writable);
// Makes the user's folders (readable by the user alone) and, when the user
// has no settings file yet, copies the program folder's Config.ini there.
// False when the settings folder cannot be made.
bool PrepareUserFiles(const UserFileLocations& locations, const std::string& programFolder);

// The running program's locations, worked out (and prepared) once.
const UserFileLocations& UserFiles();
// The settings file the program reads and writes.
std::string SettingsFilePath();
// The log folder actually used: $QUORVANE_LOG_DIR when set, else the one of
// UserFiles().
std::string LogFolder();

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
