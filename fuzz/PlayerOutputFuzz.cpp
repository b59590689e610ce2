// The player's output as it arrives: any bytes, cut into reads of any size,
// split into lines and interpreted in every state.
#include "player/PlayerOutput.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    qv::LineSplitter lines;
    qv::PlayerRunState run;
    run.state = qv::PlayerStarting;
    size_t at = 0;
    while (at < size) {
        // The first byte of each read gives its length.
        size_t n = 1 + data[at] % 64;
        n = std::min(n, size - at);
        lines.Add(reinterpret_cast<const char*>(data + at), n);
        at += n;
        std::string line;
        while (lines.Next(&line)) {
            if (qv::ParseLine(run, line) == qv::LineEffect::PlaybackBegan)
                run.state = qv::PlayerPlaying;
            if (run.position < 0 || run.position > 359999)
                __builtin_trap();
        }
    }
    return 0;
}
