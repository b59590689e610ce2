#pragma once

#include <functional>
#include <string>
#include <vector>

namespace qv {

class CMediaRecord;

// One audio or subtitle track of a file, in the order of its kind (the
// number the player and quenzo select it by, from 0).
struct ProbeTrack {
    std::string language; // its name ("English"), "Unknown" when the file names none
    std::string format;   // audio: "AAC 2ch 48000Hz"; subtitle: the library's format ("UTF-8")
    bool picture = false; // a subtitle drawn as pictures (DVD, Blu-ray, DVB), not text
    bool isDefault = false;
};

// What the media probe reads of a file.
struct ProbeResult {
    std::string lengthText; // hh:mm:ss
    std::string frameMode;
    // The picture as it is shown: in square pixels of the display aspect and
    // turned by the rotation tag, so an automatic size keeps its shape.
    int width = 0;
    int height = 0;
    std::string frameRate; // "25" when the file gives none
    // The streams, for checking a result against its job.
    double seconds = 0;                        // the file's length
    double videoSeconds = 0, audioSeconds = 0; // the first stream's of each kind; 0: unknown
    int videoStreams = 0, audioStreams = 0;
    int audioChannels = 0;               // the first audio stream's
    std::string format;                  // the container's, as the library names it
    int frameWidth = 0, frameHeight = 0; // the stored picture, before aspect or rotation
    std::string hdr; // "PQ" (HDR10) or "HLG" for a high dynamic range picture, else empty
    std::vector<ProbeTrack> audioTracks, subtitleTracks;
};

// The shown size of a stored width x height with that display aspect (0:
// unknown) and rotation in degrees.
void DisplayedSize(int* width, int* height, double displayAspect, double rotation);

// The longest picture side a probe believes.
inline constexpr int kLargestSide = 16384;

// A file's facts from the library's fields: get(kind, name) gives a field's
// text (kind 0 the file, 1 its first video stream, 2 its first audio
// stream). False when the file has no length (needLength) or no known format.
bool InterpretFields(const std::function<std::string(int, const char*)>& get, bool needLength,
                     ProbeResult& out);

// The file's audio and subtitle tracks from the library's fields: get(kind,
// index, name) gives a field of the index-th stream of a kind (0 the file, 2
// audio, 3 text). Captions carried inside the picture are no track.
void InterpretTracks(const std::function<std::string(int, size_t, const char*)>& get,
                     ProbeResult& out);

// The tracks a file's source offers to choose from: every audio and subtitle
// track of a file with more than one audio track or any subtitle, none else.
// The default-flagged audio track is chosen, the first without one; no
// subtitle is.
void FillFileTracks(CMediaRecord& record, const ProbeResult& probe);

// libmediainfo, bound at run time: the program folder's copy first, then the
// system's. A library that is missing or lacks an entry point leaves every
// probe without a handle, so every file is refused.
class MediaInfoLibrary {
public:
    explicit MediaInfoLibrary(std::vector<std::string> candidates);
    // The program folder's "libmediainfo.so.0", then the system's.
    static MediaInfoLibrary& Default();

    // Reads the file: true and the result, or false when it has no length
    // (unreadable, unknown, or no library). Shows nothing.
    bool Read(const std::string& path, ProbeResult& out);
    // As Read, but true for any file of a known format, with or without a
    // length (a raw AAC stream states none; its seconds stay 0).
    bool ReadStreams(const std::string& path, ProbeResult& out);
    bool Bound();

private:
    bool Bind();
    bool ReadFile(const std::string& path, ProbeResult& out, bool needLength);

    std::vector<std::string> candidates_;
    void* lib_ = nullptr;
    void* (*new_)() = nullptr;
    size_t (*open_)(void*, const char*) = nullptr;
    const char* (*get_)(void*, int, size_t, const char*, int, int) = nullptr;
    void (*close_)(void*) = nullptr;
    void (*delete_)(void*) = nullptr;
};

// The probe of a file that is added: on success fills the result; a file
// without a length is refused with the UnknownFormat message.
bool ProbeMediaFile(const std::string& path, ProbeResult& out);
bool ProbeMediaFile(MediaInfoLibrary& library, const std::string& path, ProbeResult& out);

// A new file source from a probed file: untrimmed, ticked, named by its file.
void FillFileRecord(CMediaRecord& record, const std::string& path, const ProbeResult& probe);

} // namespace qv
