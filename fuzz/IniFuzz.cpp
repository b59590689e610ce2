// The settings file as a user or another program may leave it: any bytes,
// read through every kind of value the program asks for.
#include "settings/Ini.h"
#include "settings/Settings.h"

#include <cstdint>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static int fd = ::memfd_create("ini", 0);
    if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, data, size, 0) != static_cast<ssize_t>(size))
        return 0;
    const qv::CIni ini("/proc/self/fd/" + std::to_string(fd));
    qv::LoadSettings(ini, "/home/user/Documents");
    ini.ReadText("General", "Skin", "Default");
    ini.ReadUnsigned("Video", "FitWidth", 1);
    ini.ReadFlag("General", "MultiThread", 1);
    const std::string text(reinterpret_cast<const char*>(data), size);
    qv::IniUnsignedValue(text, 7);
    qv::IniFlagValue(text, 7);
    return 0;
}
