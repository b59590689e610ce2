#include "JobModel.h"

#include "settings/Settings.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace qv {

TrackEntry TrackEntry::Make(std::string_view label, int32_t streamId) {
    TrackEntry t;
    SetFieldText(t.label, label);
    t.streamId = streamId;
    return t;
}

std::string FileBaseName(std::string_view path) {
    size_t slash = path.rfind('/');
    std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    size_t dot = name.rfind('.');
    return std::string(dot == std::string_view::npos ? name : name.substr(0, dot));
}

std::string DvdTitleBaseName(std::string_view volumeLabel, int titleNumber) {
    if (volumeLabel.empty())
        return "Title_" + std::to_string(titleNumber);
    std::string label(volumeLabel);
    for (char& c : label)
        if (std::strchr("\"*/:<>?\\|", c) && c != '\0')
            c = ' ';
    return label + "_Title_" + std::to_string(titleNumber);
}

bool ProfileRecord::IsAudioOnly() const {
    std::string k = FieldText(kind);
    std::transform(k.begin(), k.end(), k.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return k == "audio";
}

EngineSettings EngineSettings::From(const SettingsRecord& s) {
    EngineSettings e;
    e.MultiThread = s.MultiThread;
    e.DVDAccess = s.DVDAccess;
    e.FitWidth = s.FitWidth;
    e.FitHeight = s.FitHeight;
    e.ExpandToVideoSize = s.ExpandToVideoSize;
    e.RoundTo16Pix = s.RoundTo16Pix;
    e.ProcessPriority = s.ProcessPriority;
    e.EncoderSilence = s.EncoderSilence;
    return e;
}

namespace {

int64_t LeadingNumber(std::string_view part) {
    size_t i = 0;
    while (i < part.size() && (part[i] == ' ' || part[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < part.size() && (part[i] == '+' || part[i] == '-'))
        negative = part[i++] == '-';
    int64_t v = 0;
    for (; i < part.size() && part[i] >= '0' && part[i] <= '9'; ++i)
        v = v * 10 + (part[i] - '0');
    return negative ? -v : v;
}

template <typename Entry>
int FindEntry(const Entry* entries, int32_t count, std::string_view name) {
    int n = std::clamp<int32_t>(count, 0, 10);
    for (int i = 0; i < n; ++i)
        if (FieldText(entries[i].name) == name)
            return i;
    return 0;
}

} // namespace

int64_t TimeTextToSeconds(std::string_view text) {
    std::string_view hours = text.substr(0, 2);
    std::string_view firstFive = text.substr(0, 5);
    std::string_view minutes = firstFive.substr(firstFive.size() >= 2 ? firstFive.size() - 2 : 0);
    std::string_view seconds = text.size() >= 2 ? text.substr(text.size() - 2) : text;
    return (LeadingNumber(hours) * 60 + LeadingNumber(minutes)) * 60 + LeadingNumber(seconds);
}

int32_t JobLengthSeconds(const CMediaRecord& job) {
    int64_t d = TimeTextToSeconds(job.trimEnd) - TimeTextToSeconds(job.trimStart);
    return static_cast<int32_t>(d % 86400); // C++ division truncates toward zero
}

Status CheckJobSpan(const CMediaRecord& job) {
    auto isTime = [](const std::string& t) {
        return t.size() == 8 && t[2] == ':' && t[5] == ':' &&
               std::all_of(t.begin(), t.end(), [](char c) {
                   return c == ':' || std::isdigit(static_cast<unsigned char>(c));
               });
    };
    const std::string& start = job.trimStart;
    const std::string& end = job.trimEnd;
    const std::string& length = job.fullLength;
    if (!isTime(length) || !isTime(start) || !isTime(end))
        return {}; // nothing to measure against
    const int64_t total = TimeTextToSeconds(length);
    if (TimeTextToSeconds(start) >= total && total > 0)
        return Status::Fail("the start " + start + " is not before the end of the source (" +
                            length + ")");
    if (TimeTextToSeconds(end) > total)
        return Status::Fail("the end " + end + " is after the end of the source (" + length + ")");
    // The time texts hold whole seconds: a source shorter than one second
    // reads 00:00:00 to 00:00:00, yet untrimmed it is converted whole.
    if (end == length && TimeTextToSeconds(start) == 0)
        return {};
    if (TimeTextToSeconds(end) <= TimeTextToSeconds(start))
        return Status::Fail("the end " + end + " is not after the start " + start);
    return {};
}

int FindVideoCodecEntry(const ProfileRecord& profile, std::string_view name) {
    return FindEntry(profile.videoCodecs, profile.videoCodecCount, name);
}

int FindAudioCodecEntry(const ProfileRecord& profile, std::string_view name) {
    return FindEntry(profile.audioCodecs, profile.audioCodecCount, name);
}

} // namespace qv
