// The media library's fields as a damaged or hostile file may make them:
// any texts, interpreted as the probe does.
#include "probe/MediaProbe.h"

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The input is the fields' texts, separated by NUL bytes, in this order.
    static const char* const kNames[] = {"Duration/String3",
                                         "Format",
                                         "Format_Settings_FrameMode",
                                         "Width",
                                         "Height",
                                         "DisplayAspectRatio",
                                         "Rotation",
                                         "FrameRate",
                                         "Duration",
                                         "VideoCount",
                                         "AudioCount",
                                         "Channel(s)"};
    std::vector<std::string> texts;
    std::string text;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            texts.push_back(text);
            text.clear();
        } else {
            text += static_cast<char>(data[i]);
        }
    }
    texts.push_back(text);
    auto get = [&](int kind, const char* name) {
        for (size_t k = 0; k < sizeof kNames / sizeof *kNames; ++k)
            if (std::string(kNames[k]) == name) {
                const size_t at = k + static_cast<size_t>(kind) * 3; // streams differ
                return at < texts.size() ? texts[at] : std::string();
            }
        return std::string();
    };
    qv::ProbeResult r;
    for (bool needLength : {true, false}) {
        if (!qv::InterpretFields(get, needLength, r))
            continue;
        // What the program builds command lines and checks results from
        // must be sane numbers.
        if (r.frameWidth < 0 || r.frameWidth > qv::kLargestSide || r.frameHeight < 0 ||
            r.frameHeight > qv::kLargestSide || r.width < 0 || r.height < 0)
            __builtin_trap();
        for (double s : {r.seconds, r.videoSeconds, r.audioSeconds})
            if (!std::isfinite(s) || s < 0)
                __builtin_trap();
        if (r.lengthText.size() > 8 || r.videoStreams < 0 || r.audioStreams < 0 ||
            r.audioChannels < 0)
            __builtin_trap();
    }
    return 0;
}
