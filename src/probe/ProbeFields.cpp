#include "MediaProbe.h"
#include "Number.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <iterator>

namespace qv {

namespace {

int Decimal(const std::string& text) {
    char* end = nullptr;
    long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || end == text.c_str() || v > INT_MAX || v < INT_MIN)
        return 0;
    return static_cast<int>(v);
}

// A picture side: 0 when the file states none or one past all measure.
int Side(const std::string& text) {
    const int v = Decimal(text);
    return v > 0 && v <= kLargestSide ? v : 0;
}

} // namespace

void DisplayedSize(int* width, int* height, double displayAspect, double rotation) {
    if (*width <= 0 || *height <= 0)
        return;
    // Pixels that are not square: the width that shows the picture's shape
    // in square pixels, rounded to an even number.
    if (std::isfinite(displayAspect) && displayAspect > 0.01 && displayAspect < 100) {
        const double shown = *height * displayAspect;
        if (std::abs(shown - *width) > 0.01 * *width)
            *width = 2 * static_cast<int>(std::lround(shown / 2));
    }
    // A quarter turn swaps the sides.
    if (std::isfinite(rotation) && std::abs(rotation) < 1e6 &&
        std::lround(rotation / 90.0) % 2 != 0)
        std::swap(*width, *height);
}

bool InterpretFields(const std::function<std::string(int, const char*)>& get, bool needLength,
                     ProbeResult& r) {
    std::string duration = get(0, "Duration/String3");
    if (duration.empty())
        duration = get(1, "Duration/String3");
    r = ProbeResult();
    r.frameMode = get(1, "Format_Settings_FrameMode");
    const bool ok = needLength ? !duration.empty() : !get(0, "Format").empty();
    if (!ok)
        return false;
    r.frameWidth = r.width = Side(get(1, "Width"));
    r.frameHeight = r.height = Side(get(1, "Height"));
    DisplayedSize(&r.width, &r.height, NumberOr(get(1, "DisplayAspectRatio")),
                  NumberOr(get(1, "Rotation")));
    r.frameRate = get(1, "FrameRate");
    if (r.frameRate.empty())
        r.frameRate = "25";
    r.lengthText = duration.substr(0, 8);
    auto seconds = [&](int kind) {
        const double s = NumberOr(get(kind, "Duration")) / 1000.0;
        return std::isfinite(s) && s > 0 ? s : 0.0;
    };
    r.videoSeconds = seconds(1);
    r.audioSeconds = seconds(2);
    r.seconds = std::max({seconds(0), r.videoSeconds, r.audioSeconds}); // 0: none stated
    r.format = get(0, "Format");
    r.videoStreams = std::max(0, Decimal(get(0, "VideoCount")));
    r.audioStreams = std::max(0, Decimal(get(0, "AudioCount")));
    r.audioChannels = std::max(0, Decimal(get(2, "Channel(s)")));
    const std::string transfer = get(1, "transfer_characteristics");
    if (transfer == "PQ" || transfer == "HLG")
        r.hdr = transfer;
    return true;
}

void InterpretTracks(const std::function<std::string(int, size_t, const char*)>& get,
                     ProbeResult& r) {
    constexpr int kMostTracks = 64;
    auto language = [&](int kind, size_t i) {
        const std::string name = get(kind, i, "Language/String");
        return name.empty() ? std::string("Unknown") : name;
    };
    r.audioTracks.clear();
    r.subtitleTracks.clear();
    const int audio = std::clamp(Decimal(get(0, 0, "AudioCount")), 0, kMostTracks);
    for (int i = 0; i < audio; ++i) {
        ProbeTrack t;
        t.language = language(2, i);
        t.format = get(2, i, "Format");
        if (t.format.empty())
            t.format = "Audio";
        const int channels = Decimal(get(2, i, "Channel(s)"));
        const int rate = Decimal(get(2, i, "SamplingRate"));
        if (channels > 0)
            t.format += " " + std::to_string(channels) + "ch";
        if (rate > 0)
            t.format += " " + std::to_string(rate) + "Hz";
        t.isDefault = get(2, i, "Default") == "Yes";
        r.audioTracks.push_back(t);
    }
    static const char* const pictures[] = {"VobSub", "PGS", "DVB Subtitle", "RLE", "Bitmap"};
    const int text = std::clamp(Decimal(get(0, 0, "TextCount")), 0, kMostTracks);
    for (int i = 0; i < text; ++i) {
        ProbeTrack t;
        t.format = get(3, i, "Format");
        // Closed captions ride in the video stream: nothing to map or keep.
        if (t.format.rfind("EIA-", 0) == 0)
            continue;
        t.language = language(3, i);
        t.picture = std::any_of(std::begin(pictures), std::end(pictures),
                                [&](const char* p) { return t.format == p; });
        t.isDefault = get(3, i, "Default") == "Yes";
        r.subtitleTracks.push_back(t);
    }
}

} // namespace qv
