#include "Quimbrel.h"

#include "LogWriter.h"

#include "LibraryFolder.h"

#include <cstdlib>
#include <mutex>

namespace {

qv::LogWriter& Writer() {
    // Never destroyed: entries may still come while the process ends. The
    // exit handler flushes what waits and switches to writing directly.
    static qv::LogWriter* writer = [] {
        const char* dir = std::getenv("QUORVANE_LOG_DIR");
        auto* w =
            new qv::LogWriter(dir && *dir ? std::string(dir) : qv::LibraryFolder() + "LogFile");
        std::atexit([] { Writer().Shutdown(); });
        return w;
    }();
    return *writer;
}

} // namespace

extern "C" void WriteLogLine(const char* text) {
    Writer().Write(text ? text : "");
}
