#pragma once

#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace qvtest {

// A fresh folder under the temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir() {
        std::string tmpl =
            std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") + "/qvtest.XXXXXX";
        path_ = ::mkdtemp(tmpl.data()) ? tmpl : std::string();
    }
    ~TempDir() {
        if (!path_.empty())
            if (std::system(("rm -rf '" + path_ + "'").c_str()) != 0) {
                // a folder left behind in the temporary folder does no harm
            }
    }
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

inline void WriteFile(const std::string& path, const std::string& data) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f << data;
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

// The path of the first entry of a folder other than "." and "..", or "".
inline std::string ReadDirFirst(const std::string& dir) {
    std::string found;
    if (DIR* d = ::opendir(dir.c_str())) {
        while (dirent* e = ::readdir(d)) {
            std::string name = e->d_name;
            if (name != "." && name != "..") {
                found = dir + "/" + name;
                break;
            }
        }
        ::closedir(d);
    }
    return found;
}

inline bool FileExists(const std::string& path) {
    return ::access(path.c_str(), F_OK) == 0;
}

} // namespace qvtest
