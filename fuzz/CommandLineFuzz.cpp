// Command lines: any bytes as a path must come back whole from its quoting,
// and any profile text must split without harm.
#include "platform/CommandLine.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    // Quoting a path must give it back byte for byte, whatever it holds.
    std::string path = "/out/" + text;
    std::vector<std::string> args = qv::SplitCommandLine(qv::QuotePath(path));
    if (args.size() != 1 || args[0] != path)
        __builtin_trap();
    bool unmatched = false;
    qv::SplitCommandLine(text, &unmatched);
    return 0;
}
