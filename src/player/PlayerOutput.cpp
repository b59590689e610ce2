#include "PlayerOutput.h"
#include "Number.h"

#include <cstdio>
#include <cstdlib>

namespace qv {

void PlayerRunState::Reset() {
    PlayerState keep = state;
    *this = PlayerRunState();
    state = keep;
}

namespace {

// Markers are matched where the player prints them, at the start of the
// line: a file or clip name that holds a marker's words must not pass for it.
bool Contains(const std::string& line, const char* marker) {
    return line.rfind(marker, 0) == 0;
}

bool EndsWith(const std::string& line, const std::string& end) {
    return line.size() >= end.size() &&
           line.compare(line.size() - end.size(), end.size(), end) == 0;
}

std::string From(const std::string& line, size_t offset) {
    return offset < line.size() ? line.substr(offset) : std::string();
}

} // namespace

LineEffect ParseLine(PlayerRunState& run, const std::string& line) {
    if (Contains(line, "ANS_TIME_POSITION=")) {
        long value = 0;
        if (std::sscanf(From(line, 18).c_str(), "%ld", &value) == 1 && value >= 0)
            run.position = value > 359998 ? 359999 : static_cast<int>(value);
        return LineEffect::None;
    }
    if (run.state != PlayerStarting)
        return LineEffect::None;

    auto text = [&](const char* marker, size_t offset, std::string& into) {
        if (!Contains(line, marker))
            return false;
        into = From(line, offset);
        return true;
    };
    auto number = [&](const char* marker, size_t offset, const char* format, auto* into) {
        if (!Contains(line, marker))
            return false;
        std::sscanf(From(line, offset).c_str(), format, into);
        return true;
    };

    auto fraction = [&](const char* marker, size_t offset, float* into) {
        if (!Contains(line, marker))
            return false;
        if (const std::optional<double> v = LeadingNumber(From(line, offset)))
            *into = static_cast<float>(*v);
        return true;
    };

    // vistrel puts this marker after the line it localises.
    if (EndsWith(line, "缓存填充:")) {
        if (const std::optional<double> fill = LeadingNumber(From(line, 12)))
            run.cacheFill = *fill > 100.0 ? 100.0f : static_cast<float>(*fill);
        return LineEffect::None;
    }
    if (Contains(line, "视频:没有视频")) {
        run.hasVideo = false;
        return LineEffect::None;
    }
    if (text("ID_CLIP_INFO_name=", 18, run.clipName) ||
        text("ID_CLIP_INFO_author=", 20, run.clipAuthor) ||
        text("ID_CLIP_INFO_copyright=", 23, run.clipRights) || text(" 标题:", 8, run.title) ||
        text(" 名称:", 7, run.title) || text(" 艺人:", 9, run.artist) ||
        text(" 作者:", 9, run.artist) || text(" 专辑:", 8, run.album) ||
        text(" 类型:", 8, run.genre))
        return LineEffect::None;
    if (Contains(line, "ID_LENGTH=")) {
        if (run.length > 359998)
            run.length = 359999;
        return LineEffect::None;
    }
    if (text("ID_AUDIO_CODEC=", 15, run.audioCodec) ||
        text("ID_AUDIO_FORMAT=", 16, run.audioFormat) ||
        number("ID_AUDIO_BITRATE=", 17, "%ld", &run.audioBitRate) ||
        number("ID_AUDIO_RATE=", 14, "%ld", &run.audioRate) ||
        number("ID_AUDIO_NCH=", 13, "%d", &run.audioChannels) ||
        text("ID_VIDEO_CODEC=", 15, run.videoCodec) ||
        number("ID_VIDEO_BITRATE=", 17, "%ld", &run.videoBitRate) ||
        fraction("ID_VIDEO_FPS=", 13, &run.videoFps) ||
        number("ID_VIDEO_WIDTH=", 15, "%d", &run.videoWidth) ||
        number("ID_VIDEO_HEIGHT=", 16, "%d", &run.videoHeight))
        return LineEffect::None;
    if (!run.hasVideo && Contains(line, "Starting playback"))
        return LineEffect::PlaybackBegan;
    if (run.hasVideo && line.rfind("VO: [", 0) == 0)
        return LineEffect::PlaybackBegan;
    if (Contains(line, "Exiting...") || Contains(line, "MPlayer interrupted"))
        return LineEffect::GaveUp;
    return LineEffect::None;
}

void LineSplitter::Add(const char* data, size_t size) {
    pending_.append(data, size);
}

bool LineSplitter::Next(std::string* line) {
    size_t end = pending_.find_first_of("\r\n");
    if (end == std::string::npos) {
        // A line without an end that grows past all measure is given out in
        // pieces rather than held without limit.
        if (pending_.size() < kMaxLine)
            return false;
        end = kMaxLine;
        *line = pending_.substr(0, end);
        pending_.erase(0, end);
        return true;
    }
    *line = pending_.substr(0, end);
    pending_.erase(0, end + 1);
    return true;
}

bool CommandMailbox::Post(const std::string& command) {
    if (written_.exchange(false))
        idle_ = true;
    if (!idle_)
        return false;
    idle_ = false;
    buffer_ = command.substr(0, kCapacity);
    return true;
}

} // namespace qv
