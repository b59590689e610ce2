#pragma once

// The pitch of a file's sound, for telling apart test tracks of different
// tones.

#include "Tool.h"

#include <cstdint>
#include <string>

namespace qvtest {

// The frequency of the first two seconds of a file's first audio stream,
// from its crossings of zero (with a margin, so that coding noise about zero
// does not count); 0 without sound.
inline double ToneOf(const std::string& file) {
    ToolRun r = RunTool({"ffmpeg", "-v", "quiet", "-i", file, "-map", "0:a:0", "-t", "2", "-ac",
                         "1", "-ar", "48000", "-f", "s16le", "-"});
    const size_t samples = r.output.size() / 2;
    if (samples < 4800)
        return 0;
    const auto* p = reinterpret_cast<const int16_t*>(r.output.data());
    int crossings = 0, side = 0;
    for (size_t i = 0; i < samples; ++i) {
        const int now = p[i] > 1000 ? 1 : p[i] < -1000 ? -1 : side;
        crossings += side != 0 && now != side;
        side = now;
    }
    return crossings / 2.0 / (samples / 48000.0);
}

} // namespace qvtest
