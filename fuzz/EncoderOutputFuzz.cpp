// The encoder's output as it arrives: any bytes, read as chunks for
// positions and the give-up marker.
#include "engine/EncoderOutput.h"

#include <cmath>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string chunk(reinterpret_cast<const char*>(data), size);
    std::string rest;
    if (qv::ChunkPosition(chunk, &rest)) {
        const float seconds = qv::PositionSeconds(rest);
        // It becomes a percentage: it must be a number within bounds.
        if (!std::isfinite(seconds) || seconds < 0 || seconds > 360000.0f)
            __builtin_trap();
        (void)static_cast<int>(seconds / 1.0f * 100.0f);
    }
    std::string reason;
    if (qv::ChunkGiveUp(chunk, &reason) &&
        (reason.find_first_of("\r\n") != std::string::npos || reason.size() > size))
        __builtin_trap();
    return 0;
}
