// A file the fuzz targets rewrite for every input: kept open, rewritten in
// place, in memory-backed /dev/shm when there is one, so that an execution
// costs no file creation.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace qvfuzz {

// A fresh folder for one target's files, ending with "/".
inline std::string MakeFolder(const char* name) {
    const char* tmp = std::getenv("TMPDIR");
    std::string base = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : (tmp ? tmp : "/tmp");
    std::string tmpl = base + "/" + name + ".XXXXXX";
    if (!::mkdtemp(tmpl.data()))
        std::abort();
    return tmpl + "/";
}

class File {
public:
    explicit File(const std::string& path)
        : fd_(::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644)) {
        if (fd_ < 0)
            std::abort();
    }
    // The file's whole content becomes these bytes.
    void Set(const uint8_t* data, size_t size) const {
        if (::ftruncate(fd_, static_cast<off_t>(size)) != 0 ||
            ::pwrite(fd_, data, size, 0) != static_cast<ssize_t>(size))
            std::abort();
    }

private:
    int fd_;
};

} // namespace qvfuzz
