// The settings file as a user or another program may leave it: any bytes,
// read through every kind of value the program asks for.
#include "FuzzFile.h"
#include "settings/Ini.h"
#include "settings/Settings.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <dlfcn.h>
#include <string>
#include <sys/stat.h>

// The folders a read falls back to are made by mkdir; here it makes none, so
// that folder names from the input land nowhere on the machine and cost no
// directory writes. A folder that cannot be made is a case the reader handles.
extern "C" int mkdir(const char*, mode_t) {
    errno = EACCES;
    return -1;
}

namespace {

std::string iniPath;
const uint8_t* input;
size_t inputSize;

} // namespace

// The reader opens the file for every value it reads; here it reads the input
// from memory through the same stdio calls, which saves the system calls of
// each opening. The file on disk holds the same bytes (it serves an empty
// input, which a memory stream cannot).
extern "C" FILE* fopen(const char* path, const char* mode) {
    if (input && inputSize > 0 && mode[0] == 'r' && iniPath == path)
        return ::fmemopen(const_cast<uint8_t*>(input), inputSize, mode);
    using Open = FILE* (*)(const char*, const char*);
    static const auto real = reinterpret_cast<Open>(::dlsym(RTLD_NEXT, "fopen"));
    return real(path, mode);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string folder = qvfuzz::MakeFolder("qvfuzzini");
    static const qvfuzz::File file(folder + "Quorvane.ini");
    static const qv::CIni ini(iniPath = folder + "Quorvane.ini");
    file.Set(data, size);
    input = data;
    inputSize = size;
    // Every kind of value: texts, unsigned numbers and flags.
    qv::LoadSettings(ini, qv::DefaultFolders{folder, folder});
    const std::string text(reinterpret_cast<const char*>(data), size);
    qv::IniUnsignedValue(text, 7);
    qv::IniFlagValue(text, 7);
    input = nullptr;
    return 0;
}
