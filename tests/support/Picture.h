#pragma once

// What ffprobe and FFmpeg's cropdetect say of a converted file: its streams,
// and the part of the frame that holds picture rather than black borders.

#include "Number.h"
#include "Tool.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

namespace qvtest {

struct StreamFacts {
    int videoStreams = 0, audioStreams = 0;
    int width = 0, height = 0;
    std::string pixelFormat, sampleAspect;
    int channels = 0;
    double videoSeconds = 0, audioSeconds = 0;
    // The picture inside the frame, without its black borders.
    int pictureWidth = 0, pictureHeight = 0;

    // Display aspect of the picture inside the frame.
    double PictureAspect() const {
        int num = 1, den = 1;
        if (std::sscanf(sampleAspect.c_str(), "%d:%d", &num, &den) != 2 || num <= 0 || den <= 0)
            num = den = 1;
        return pictureHeight > 0 ? pictureWidth * static_cast<double>(num) / den / pictureHeight
                                 : 0;
    }
};

inline std::string Entry(const std::string& text, const std::string& key, size_t from = 0) {
    size_t at = text.find(key + "=", from);
    if (at == std::string::npos)
        return "";
    size_t end = text.find_first_of("|\n", at);
    return text.substr(at + key.size() + 1, end - at - key.size() - 1);
}

// The facts of a file; the picture from cropdetect's most frequent box.
inline StreamFacts Examine(const std::string& file) {
    StreamFacts f;
    ToolRun probe = RunTool({"ffprobe", "-v", "error", "-show_entries",
                             "stream=codec_type,width,height,pix_fmt,sample_aspect_ratio,"
                             "channels,duration:stream_disposition=attached_pic",
                             "-of", "compact", file});
    size_t line = 0;
    while (line < probe.output.size()) {
        size_t end = probe.output.find('\n', line);
        if (end == std::string::npos)
            end = probe.output.size();
        const std::string s = probe.output.substr(line, end - line);
        line = end + 1;
        const std::string type = Entry(s, "codec_type");
        if (type == "video" && Entry(s, "disposition:attached_pic") != "1") {
            if (f.videoStreams++ == 0) {
                f.width = std::atoi(Entry(s, "width").c_str());
                f.height = std::atoi(Entry(s, "height").c_str());
                f.pixelFormat = Entry(s, "pix_fmt");
                f.sampleAspect = Entry(s, "sample_aspect_ratio");
                f.videoSeconds = qv::NumberOr(Entry(s, "duration"));
            }
        } else if (type == "audio" && f.audioStreams++ == 0) {
            f.channels = std::atoi(Entry(s, "channels").c_str());
            f.audioSeconds = qv::NumberOr(Entry(s, "duration"));
        }
    }
    if (f.videoStreams > 0) {
        // Each frame's own box; the most frequent one is the picture (a
        // frame or two of coding noise in a border does not count).
        ToolRun crop = RunTool({"ffmpeg", "-nostdin", "-hide_banner", "-i", file, "-map", "0:v:0",
                                "-vf", "cropdetect=limit=24:round=2:reset=1", "-f", "null", "-"});
        std::map<std::pair<int, int>, int> boxes;
        for (size_t at = crop.output.find("crop="); at != std::string::npos;
             at = crop.output.find("crop=", at + 1)) {
            int w = 0, h = 0;
            if (std::sscanf(crop.output.c_str() + at, "crop=%d:%d", &w, &h) == 2)
                ++boxes[{w, h}];
        }
        int most = 0;
        for (const auto& [box, count] : boxes)
            if (count > most) {
                most = count;
                f.pictureWidth = box.first;
                f.pictureHeight = box.second;
            }
    }
    return f;
}

} // namespace qvtest
