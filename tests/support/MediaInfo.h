#pragma once

// Reads media properties with libmediainfo, bound at run time as a program
// without its headers would.

#include "Number.h"
#include <cstdlib>
#include <dlfcn.h>
#include <string>

namespace qvtest {

class MediaInfo {
public:
    enum Kind { General = 0, Video = 1, Audio = 2 };

    explicit MediaInfo(const std::string& file) {
        static void* lib = ::dlopen("libmediainfo.so.0", RTLD_NOW);
        if (!lib)
            return;
        auto make = reinterpret_cast<void* (*)()>(::dlsym(lib, "MediaInfoA_New"));
        auto open =
            reinterpret_cast<size_t (*)(void*, const char*)>(::dlsym(lib, "MediaInfoA_Open"));
        get_ = reinterpret_cast<GetFn>(::dlsym(lib, "MediaInfoA_Get"));
        count_ = reinterpret_cast<CountFn>(::dlsym(lib, "MediaInfoA_Count_Get"));
        close_ = reinterpret_cast<void (*)(void*)>(::dlsym(lib, "MediaInfoA_Close"));
        delete_ = reinterpret_cast<void (*)(void*)>(::dlsym(lib, "MediaInfoA_Delete"));
        if (!make || !open || !get_ || !count_ || !close_ || !delete_)
            return;
        handle_ = make();
        opened_ = open(handle_, file.c_str()) != 0;
    }
    ~MediaInfo() {
        if (handle_) {
            close_(handle_);
            delete_(handle_);
        }
    }
    MediaInfo(const MediaInfo&) = delete;
    MediaInfo& operator=(const MediaInfo&) = delete;

    bool Opened() const { return opened_; }
    std::string Get(Kind kind, const char* parameter, size_t stream = 0) const {
        if (!opened_)
            return "";
        const char* v = get_(handle_, kind, stream, parameter, 1, 0);
        return v ? v : "";
    }
    size_t Count(Kind kind) const {
        return opened_ ? count_(handle_, kind, static_cast<size_t>(-1)) : 0;
    }
    int Int(Kind kind, const char* parameter) const {
        return std::atoi(Get(kind, parameter).c_str());
    }
    double Number(Kind kind, const char* parameter) const {
        return qv::NumberOr(Get(kind, parameter));
    }
    // Seconds of the whole file.
    double Seconds() const { return Number(General, "Duration") / 1000.0; }

private:
    using GetFn = const char* (*)(void*, int, size_t, const char*, int, int);
    using CountFn = size_t (*)(void*, int, size_t);
    void* handle_ = nullptr;
    bool opened_ = false;
    GetFn get_ = nullptr;
    CountFn count_ = nullptr;
    void (*close_)(void*) = nullptr;
    void (*delete_)(void*) = nullptr;
};

} // namespace qvtest
