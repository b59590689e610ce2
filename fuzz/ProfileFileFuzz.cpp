// Profile files: any bytes give a valid record or a clean refusal, and every
// text of an accepted record ends inside its field.
#include "tessarn/ProfileFile.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    qv::ProfileRecord r;
    std::string error;
    std::vector<std::string> warnings;
    if (!qv::ParseProfileFile(std::string_view(reinterpret_cast<const char*>(data), size), r,
                              &error, &warnings))
        return 0;
    auto terminated = [](const char* f, size_t n) {
        if (!std::memchr(f, 0, n))
            std::abort();
    };
    terminated(r.name, sizeof r.name);
    terminated(r.muxerOptions, sizeof r.muxerOptions);
    terminated(r.videoCodec, sizeof r.videoCodec);
    if (r.videoCodecCount < 0 || r.videoCodecCount > 10 || r.audioCodecCount < 1 ||
        r.audioCodecCount > 10)
        std::abort();
    for (int i = 0; i < r.videoCodecCount; ++i)
        terminated(r.videoCodecs[i].filters, sizeof r.videoCodecs[i].filters);
    return 0;
}
