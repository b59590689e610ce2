#include "MediaProbe.h"

#include "base/ProgramFolder.h"
#include "engine/JobModel.h"
#include "platform/UserServices.h"
#include "services/Services.h"

#include <algorithm>
#include <climits>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <functional>
#include <mutex>
#include <unistd.h>

namespace qv {

namespace {

std::mutex g_mutex;

} // namespace

MediaInfoLibrary::MediaInfoLibrary(std::vector<std::string> candidates)
    : candidates_(std::move(candidates)) {}

MediaInfoLibrary& MediaInfoLibrary::Default() {
    static MediaInfoLibrary library({ProgramFolder() + "libmediainfo.so.0", "libmediainfo.so.0"});
    return library;
}

bool MediaInfoLibrary::Bind() {
    if (new_)
        return true;
    for (const std::string& name : candidates_) {
        void* lib = ::dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!lib)
            continue;
        auto sym = [lib](const char* n) { return ::dlsym(lib, n); };
        new_ = reinterpret_cast<void* (*)()>(sym("MediaInfoA_New"));
        open_ = reinterpret_cast<size_t (*)(void*, const char*)>(sym("MediaInfoA_Open"));
        get_ = reinterpret_cast<const char* (*)(void*, int, size_t, const char*, int, int)>(
            sym("MediaInfoA_Get"));
        close_ = reinterpret_cast<void (*)(void*)>(sym("MediaInfoA_Close"));
        delete_ = reinterpret_cast<void (*)(void*)>(sym("MediaInfoA_Delete"));
        if (new_ && open_ && get_ && close_ && delete_) {
            // The library reads file names in the locale's character set;
            // the program's names are UTF-8, so the locale must be too.
            const char* ctype = std::setlocale(LC_CTYPE, nullptr);
            if (!ctype || (!::strcasestr(ctype, "utf-8") && !::strcasestr(ctype, "utf8")))
                if (!std::setlocale(LC_CTYPE, "C.UTF-8"))
                    std::setlocale(LC_CTYPE, "en_US.UTF-8");
            // The library sets up its shared tables with its first handle:
            // made here, under the lock, so that handles made afterwards on
            // several threads at once find them ready.
            if (void* first = new_())
                delete_(first);
            lib_ = lib; // stays loaded for the life of the process
            return true;
        }
        new_ = nullptr;
        ::dlclose(lib);
    }
    return false; // tried again at the next probe
}

bool MediaInfoLibrary::Bound() {
    std::lock_guard lock(g_mutex);
    return Bind();
}

bool MediaInfoLibrary::Read(const std::string& path, ProbeResult& out) {
    return ReadFile(path, out, true);
}

bool MediaInfoLibrary::ReadStreams(const std::string& path, ProbeResult& out) {
    return ReadFile(path, out, false);
}

namespace {

// Whether text is well-formed UTF-8 without control characters: the only
// names the library's locale-bound file opening takes as they are.
bool PlainUtf8(const std::string& text) {
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        size_t more;
        if (c < 0x20 || c == 0x7F)
            return false;
        if (c < 0x80)
            more = 0;
        else if (c >= 0xC2 && c <= 0xDF)
            more = 1;
        else if (c >= 0xE0 && c <= 0xEF)
            more = 2;
        else if (c >= 0xF0 && c <= 0xF4)
            more = 3;
        else
            return false;
        if (more > text.size() - 1 - i)
            return false;
        for (size_t k = 1; k <= more; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return false;
        i += more + 1;
    }
    return true;
}

// A name the library can open for a file whose own name it cannot (bytes
// that are not UTF-8) or would misjudge (a result being written,
// "NAME.partial", whose format only NAME's extension tells): a symbolic
// link named "media" plus that extension in a private temporary folder,
// gone with this object.
class ReadableName {
public:
    explicit ReadableName(const std::string& file) : path(file) {
        static const std::string partial = ".partial";
        std::string name = file.substr(file.rfind('/') + 1);
        const bool isPartial =
            name.size() > partial.size() &&
            name.compare(name.size() - partial.size(), partial.size(), partial) == 0;
        if (!isPartial && PlainUtf8(file))
            return;
        if (isPartial)
            name.resize(name.size() - partial.size());
        const size_t dot = name.rfind('.');
        std::string ext = dot == std::string::npos ? "" : name.substr(dot);
        if (!PlainUtf8(ext))
            ext.clear();
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/quorvane-probe.XXXXXX";
        if (!::mkdtemp(pattern.data()))
            return;
        dir_ = pattern;
        // The link is read from its own folder: a relative target is made
        // absolute first.
        std::string target = file;
        if (target.empty() || target.front() != '/') {
            char cwd[4096];
            if (!::getcwd(cwd, sizeof cwd))
                return;
            target = std::string(cwd) + "/" + target;
        }
        link_ = dir_ + "/media" + ext;
        if (::symlink(target.c_str(), link_.c_str()) == 0)
            path = link_;
        else
            link_.clear();
    }
    ~ReadableName() {
        if (!link_.empty())
            ::unlink(link_.c_str());
        if (!dir_.empty())
            ::rmdir(dir_.c_str());
    }
    ReadableName(const ReadableName&) = delete;
    ReadableName& operator=(const ReadableName&) = delete;

    std::string path;

private:
    std::string dir_, link_;
};

} // namespace

// Only the binding is serialised: each read has a handle of its own, and
// the library's handles are independent of one another, so reads run on
// several threads at once.
bool MediaInfoLibrary::ReadFile(const std::string& path, ProbeResult& out, bool needLength) {
    {
        std::lock_guard lock(g_mutex);
        if (!Bind())
            return false;
    }
    void* h = new_();
    if (!h)
        return false;
    const ReadableName readable(path);
    open_(h, readable.path.c_str());
    auto get = [&](int kind, const char* parameter) {
        const char* v = get_(h, kind, 0, parameter, 1, 0);
        return std::string(v ? v : "");
    };
    ProbeResult r;
    const bool ok = InterpretFields(get, needLength, r);
    if (ok)
        InterpretTracks(
            [&](int kind, size_t index, const char* parameter) {
                const char* v = get_(h, kind, index, parameter, 1, 0);
                return std::string(v ? v : "");
            },
            r);
    close_(h);
    delete_(h);
    if (ok)
        out = r;
    return ok;
}

bool ProbeMediaFile(MediaInfoLibrary& library, const std::string& path, ProbeResult& out) {
    if (library.Read(path, out))
        return true;
    Services().MessageBox(Text("MsgBox", "UnknownFormat"), Text("MsgBox", "Info"),
                          MsgIcon::Exclamation, MsgButtons::Ok);
    return false;
}

bool ProbeMediaFile(const std::string& path, ProbeResult& out) {
    return ProbeMediaFile(MediaInfoLibrary::Default(), path, out);
}

void FillFileRecord(CMediaRecord& record, const std::string& path, const ProbeResult& probe) {
    record.kind = KindFile;
    record.sourcePath = path;
    record.baseName = FileBaseName(path);
    record.fullLength = probe.lengthText;
    record.trimStart = "00:00:00";
    record.trimEnd = probe.lengthText;
    record.frameMode = probe.frameMode;
    record.width = probe.width;
    record.height = probe.height;
    record.frameRate = probe.frameRate;
    FillFileTracks(record, probe);
}

void FillFileTracks(CMediaRecord& record, const ProbeResult& probe) {
    record.audioTracks.clear();
    record.subtitleTracks.clear();
    record.audioIndex = record.subtitleIndex = -1;
    record.keepSubtitle = 0;
    if (probe.audioTracks.size() < 2 && probe.subtitleTracks.empty())
        return;
    // The labels a DVD title's tracks have: "English AC3 2ch 48000Hz", "English".
    for (size_t i = 0; i < probe.audioTracks.size(); ++i) {
        const ProbeTrack& t = probe.audioTracks[i];
        record.audioTracks.push_back(
            TrackEntry::Make(t.language + " " + t.format, static_cast<int32_t>(i)));
        if (t.isDefault && record.audioIndex < 0)
            record.audioIndex = static_cast<int32_t>(i);
    }
    if (record.audioIndex < 0 && !record.audioTracks.empty())
        record.audioIndex = 0;
    for (size_t i = 0; i < probe.subtitleTracks.size(); ++i)
        record.subtitleTracks.push_back(
            TrackEntry::Make(probe.subtitleTracks[i].language, static_cast<int32_t>(i)));
}

} // namespace qv
