#pragma once

#include <atomic>
#include <cstdint>
#include <string>

namespace qv {

enum PlayerState : int { PlayerStarting = 0, PlayerPlaying = 1, PlayerStopped = 3 };

// What the player's output has told about the run.
struct PlayerRunState {
    PlayerState state = PlayerStopped;
    int position = 0; // seconds, 0..359999
    int length = 0;   // set by the owner, never by the player
    bool hasVideo = true;
    float cacheFill = 0.0f;
    std::string clipName = "-", clipAuthor = "-", clipRights = "-";
    std::string title = "-", artist = "-", album = "-", genre = "-";
    std::string audioCodec, audioFormat;
    long audioBitRate = 0, audioRate = 0;
    int audioChannels = 0;
    std::string videoCodec;
    long videoBitRate = 0;
    float videoFps = 0.0f;
    int videoWidth = 320, videoHeight = 240;
    std::string lastLine;

    void Reset(); // as at each Play: everything but the state
};

// What a line asks of the player object beyond the state it updates.
enum class LineEffect { None, PlaybackBegan, GaveUp };

// Interprets one line of the player's output. Markers are compared as UTF-8
// bytes at the start of the line, as the player prints them; values are
// taken from fixed byte offsets of the line.
LineEffect ParseLine(PlayerRunState& run, const std::string& line);

// Cuts the player's output into lines ended by "\r" or "\n", however the
// reads divide it: a line split across two reads comes out whole.
class LineSplitter {
public:
    static constexpr size_t kMaxLine = 64 * 1024;
    void Add(const char* data, size_t size);
    // The next complete line, without its end; false when none is complete.
    bool Next(std::string* line);
    void Clear() { pending_.clear(); }

private:
    std::string pending_;
};

// The one-command mailbox between the window thread and the writer thread:
// a command posted while the previous one is not yet written is dropped.
class CommandMailbox {
public:
    static constexpr size_t kCapacity = 39; // characters; the buffer holds 40 bytes

    void Reset() {
        idle_ = true;
        written_ = false;
    }
    // Window thread: false when the command was dropped.
    bool Post(const std::string& commandWithLineEnd);
    // Window thread: whether a command is still waiting to be written, so
    // that a Post now would be dropped.
    bool Busy() {
        if (written_.exchange(false))
            idle_ = true;
        return !idle_;
    }
    // Writer thread: the command to write, then Written() once it is.
    const std::string& Command() const { return buffer_; }
    void Written() { written_ = true; }

private:
    std::string buffer_;
    bool idle_ = true; // window thread only
    std::atomic<bool> written_{false};
};

} // namespace qv
