#include "ProfileFile.h"

#include "TextEncoding.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>

namespace qv {

namespace {

struct Reader {
    std::string* error;
    std::vector<std::string>* warnings;

    bool Fail(const std::string& why) {
        if (error)
            *error = why;
        return false;
    }

    template <size_t N> void Text(char (&field)[N], const char* what, std::string_view text) {
        if (text.size() >= N && warnings)
            warnings->push_back(std::string(what) + " is longer than " + std::to_string(N - 1) +
                                " bytes and was cut");
        SetFieldText(field, text);
    }

    bool Number(const pugi::xml_node& parent, const char* name, int32_t* out, int32_t def) {
        pugi::xml_node n = parent.child(name);
        if (!n) {
            *out = def;
            return true;
        }
        std::string t = n.text().as_string();
        t.erase(0, t.find_first_not_of(" \t\r\n"));
        t.erase(t.find_last_not_of(" \t\r\n") + 1);
        errno = 0;
        char* end = nullptr;
        long v = std::strtol(t.c_str(), &end, 10);
        if (t.empty() || *end != '\0' || errno == ERANGE || v < INT32_MIN || v > INT32_MAX)
            return Fail(std::string(name) + " is not a number: \"" + t + "\"");
        *out = static_cast<int32_t>(v);
        return true;
    }
};

template <typename Entry>
bool ReadCodecs(Reader& r, const pugi::xml_node& root, const char* element, Entry* entries,
                int32_t* count) {
    *count = 0;
    for (pugi::xml_node c : root.children(element)) {
        if (*count == 10)
            return r.Fail(std::string("more than 10 ") + element + " entries");
        Entry& e = entries[*count];
        std::string name = c.attribute("name").as_string();
        if (name.empty())
            return r.Fail(std::string(element) + " without a name");
        r.Text(e.name, "codec name", name);
        r.Text(e.family, "codec family", c.attribute("family").as_string());
        r.Text(e.options, "codec options", c.attribute("options").as_string());
        r.Text(e.filters, "codec filters", c.attribute("filters").as_string());
        ++*count;
    }
    return true;
}

// The chosen codec: the default's name when an entry has it, else entry 0's.
template <typename Entry, size_t N>
void ChooseCodec(Reader& r, char (&field)[N], const Entry* entries, int32_t count,
                 const std::string& wanted) {
    for (int i = 0; i < count; ++i)
        if (FieldText(entries[i].name) == wanted) {
            r.Text(field, "codec", wanted);
            return;
        }
    if (count > 0)
        r.Text(field, "codec", FieldText(entries[0].name));
}

} // namespace

bool ParseProfileFile(std::string_view data, ProfileRecord& out, std::string* error,
                      std::vector<std::string>* warnings) {
    std::memset(&out, 0, sizeof out);
    Reader r{error, warnings};
    std::string text = XmlToUtf8(data);
    pugi::xml_document doc;
    pugi::xml_parse_result parsed = doc.load_buffer(text.data(), text.size());
    if (!parsed)
        return r.Fail(std::string("not well-formed XML: ") + parsed.description());
    pugi::xml_node p = doc.child("Profile");
    if (!p)
        return r.Fail("no Profile element");

    std::string name = p.child("Name").text().as_string();
    std::string format = p.child("Format").text().as_string();
    std::string kind = Lower(p.child("Kind").text().as_string("video"));
    if (name.empty())
        return r.Fail("no Name");
    if (format.empty())
        return r.Fail("no Format");
    if (kind != "video" && kind != "audio")
        return r.Fail("Kind is neither video nor audio");

    r.Text(out.name, "Name", name);
    r.Text(out.category, "Category", p.child("Category").text().as_string("Other"));
    r.Text(out.iconName, "Icon", p.child("Icon").text().as_string());
    r.Text(out.categoryIcon, "CategoryIcon", p.child("CategoryIcon").text().as_string());
    r.Text(out.kind, "Kind", kind);
    r.Text(out.outputFormat, "Format", format);
    r.Text(out.muxerOptions, "MuxerOptions", p.child("MuxerOptions").text().as_string());
    r.Text(out.extraParams, "ExtraParams", p.child("ExtraParams").text().as_string());
    r.Text(out.resolutionChoices, "Resolutions", p.child("Resolutions").text().as_string());
    r.Text(out.frameRateChoices, "FrameRates", p.child("FrameRates").text().as_string());
    r.Text(out.videoBitRateChoices, "VideoBitRates", p.child("VideoBitRates").text().as_string());
    r.Text(out.audioBitRateChoices, "AudioBitRates", p.child("AudioBitRates").text().as_string());
    r.Text(out.sampleRateChoices, "SampleRates", p.child("SampleRates").text().as_string());
    r.Text(out.channelChoices, "ChannelCounts", p.child("ChannelCounts").text().as_string());
    if (!r.Number(p, "NoThreads", &out.noThreads, 0))
        return false;

    if (!ReadCodecs(r, p, "VideoCodec", out.videoCodecs, &out.videoCodecCount) ||
        !ReadCodecs(r, p, "AudioCodec", out.audioCodecs, &out.audioCodecCount))
        return false;
    if (kind == "video" && out.videoCodecCount == 0)
        return r.Fail("a video profile without a VideoCodec");
    if (out.audioCodecCount == 0)
        return r.Fail("no AudioCodec");

    pugi::xml_node d = p.child("Default");
    ChooseCodec(r, out.videoCodec, out.videoCodecs, out.videoCodecCount,
                d.child("VideoCodec").text().as_string());
    ChooseCodec(r, out.audioCodec, out.audioCodecs, out.audioCodecCount,
                d.child("AudioCodec").text().as_string());

    std::string size = Lower(d.child("Size").text().as_string("auto"));
    if (size == "auto") {
        out.width = out.height = -1;
    } else {
        int w = 0, h = 0;
        char tail = 0;
        if (std::sscanf(size.c_str(), "%d*%d%c", &w, &h, &tail) != 2 || w <= 0 || h <= 0 ||
            w > 8192 || h > 8192)
            return r.Fail("Size is neither Auto nor WIDTH*HEIGHT: \"" + size + "\"");
        out.width = w;
        out.height = h;
    }
    r.Text(out.frameRate, "FrameRate", d.child("FrameRate").text().as_string("Auto"));
    r.Text(out.zoomMode, "Zoom", Lower(d.child("Zoom").text().as_string("letterbox")));
    return r.Number(d, "VideoBitRate", &out.videoBitRate, 0) &&
           r.Number(d, "AudioBitRate", &out.audioBitRate, 128) &&
           r.Number(d, "SampleRate", &out.sampleRate, 44100) &&
           r.Number(d, "Channels", &out.channels, 2);
}

} // namespace qv
