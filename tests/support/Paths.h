#pragma once

#include <string>

namespace qvtest {

// The program folder of the build: the program, its tools, companions and data.
inline std::string ProgramDir() {
    return std::string(QV_PROGRAM_DIR) + "/";
}
// The generated test media (tests/media/make-media.sh).
inline std::string MediaDir() {
    return std::string(QV_MEDIA_DIR) + "/";
}

} // namespace qvtest
