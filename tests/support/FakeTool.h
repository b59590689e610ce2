#pragma once

// A program folder whose codecs/quenzo is a shell script, for the cases a
// real encoder cannot be made to hit on demand.

#include "TempDir.h"

#include <string>
#include <sys/stat.h>

namespace qvtest {

class FakeProgramFolder {
public:
    // script: the body of a sh script; "$out" holds the path after -o.
    explicit FakeProgramFolder(const std::string& script) {
        ::mkdir((dir_ / "codecs").c_str(), 0755);
        WriteFile(
            dir_ / "codecs/quenzo",
            "#!/bin/sh\nout=\nwhile [ $# -gt 0 ]; do [ \"$1\" = -o ] && out=$2; shift; done\n" +
                script + "\n");
        ::chmod((dir_ / "codecs/quenzo").c_str(), 0755);
    }
    std::string Folder() const { return dir_.path() + "/"; }

private:
    TempDir dir_;
};

} // namespace qvtest
