#include "MediaProbe.h"

#include "app/ProgramFolder.h"
#include "engine/JobModel.h"
#include "platform/UserServices.h"
#include "services/Services.h"

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <mutex>

namespace qv {

namespace {

std::mutex g_mutex;

int Decimal(const std::string& text) {
    char* end = nullptr;
    long v = std::strtol(text.c_str(), &end, 10);
    return (text.empty() || end == text.c_str()) ? 0 : static_cast<int>(v);
}

} // namespace

void DisplayedSize(int* width, int* height, double displayAspect, double rotation) {
    if (*width <= 0 || *height <= 0)
        return;
    // Pixels that are not square: the width that shows the picture's shape
    // in square pixels, rounded to an even number.
    if (displayAspect > 0) {
        const double shown = *height * displayAspect;
        if (std::abs(shown - *width) > 0.01 * *width)
            *width = 2 * static_cast<int>(std::lround(shown / 2));
    }
    // A quarter turn swaps the sides.
    if (std::lround(rotation / 90.0) % 2 != 0)
        std::swap(*width, *height);
}

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

bool MediaInfoLibrary::ReadFile(const std::string& path, ProbeResult& out, bool needLength) {
    std::lock_guard lock(g_mutex);
    if (!Bind())
        return false;
    void* h = new_();
    if (!h)
        return false;
    open_(h, path.c_str());
    auto get = [&](int kind, const char* parameter) {
        const char* v = get_(h, kind, 0, parameter, 1, 0);
        return std::string(v ? v : "");
    };
    std::string duration = get(0, "Duration/String3");
    if (duration.empty())
        duration = get(1, "Duration/String3");
    ProbeResult r;
    r.frameMode = get(1, "Format_Settings_FrameMode");
    bool ok = needLength ? !duration.empty() : !get(0, "Format").empty();
    if (ok) {
        r.width = Decimal(get(1, "Width"));
        r.height = Decimal(get(1, "Height"));
        DisplayedSize(&r.width, &r.height, std::atof(get(1, "DisplayAspectRatio").c_str()),
                      std::atof(get(1, "Rotation").c_str()));
        r.frameRate = get(1, "FrameRate");
        if (r.frameRate.empty())
            r.frameRate = "25";
        r.lengthText = duration.substr(0, 8);
        auto seconds = [&](int kind) { return std::atof(get(kind, "Duration").c_str()) / 1000.0; };
        r.videoSeconds = seconds(1);
        r.audioSeconds = seconds(2);
        r.seconds = std::max({seconds(0), r.videoSeconds, r.audioSeconds}); // 0: none stated
        r.format = get(0, "Format");
        r.frameWidth = Decimal(get(1, "Width"));
        r.frameHeight = Decimal(get(1, "Height"));
        r.videoStreams = Decimal(get(0, "VideoCount"));
        r.audioStreams = Decimal(get(0, "AudioCount"));
        r.audioChannels = Decimal(get(2, "Channel(s)"));
    }
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
}

} // namespace qv
