#pragma once

#include "ProfileLayout.h"
#include "base/Result.h"

#include <string>
#include <string_view>
#include <vector>

namespace qv {

struct SettingsRecord;

enum SourceKind : int32_t {
    KindFile = 1,     // a media file on disk
    KindDvdDisc = 2,  // the node of a DVD drive or VIDEO_TS folder; never converted
    KindDvdTitle = 3, // one title of a DVD, child of a KindDvdDisc record
};

// One audio or subtitle track of a DVD title. 260 bytes.
struct TrackEntry {
    char label[256];  // "%s %s" of the scan's two texts for audio
    int32_t streamId; // the stream as the player and quenzo select it (-aid, -sid)

    std::string Label() const { return FieldText(label); }
    static TrackEntry Make(std::string_view label, int32_t streamId);
};
static_assert(sizeof(TrackEntry) == 260);
static_assert(offsetof(TrackEntry, streamId) == 256);

// One source of the list and one conversion job.
class CMediaRecord {
public:
    virtual ~CMediaRecord() = default;

    std::string sourcePath;
    std::string baseName;
    std::string outputPath;
    SourceKind kind = KindFile;
    std::string fullLength; // hh:mm:ss
    std::string trimStart;  // hh:mm:ss
    std::string trimEnd;    // hh:mm:ss
    std::string frameMode;  // "Frame doubling" makes the encoder deinterlace
    int32_t width = 0;
    int32_t height = 0;
    std::string frameRate;
    int32_t manyTitles = 0; // 1: the title's disc has more than 40 titles
    int32_t titleNumber = 0;
    std::vector<TrackEntry> audioTracks;
    std::vector<TrackEntry> subtitleTracks;
    int32_t audioIndex = -1;
    int32_t subtitleIndex = -1;
    // 1: a file's chosen subtitle is kept as a track where the output's
    // container carries one, else burnt in as it is at 0.
    int32_t keepSubtitle = 0;
};

// The output name of a file source: the file name without folder and without
// the part from its last ".".
std::string FileBaseName(std::string_view path);
// The output name of a DVD title: "<label>_Title_<n>" with the characters
// that no file name may hold blanked, or "Title_<n>" without a label.
std::string DvdTitleBaseName(std::string_view volumeLabel, int titleNumber);

// The settings a batch hands to the engine.
struct EngineSettings {
    int32_t MultiThread = 1;
    int32_t DVDAccess = 1;
    int32_t FitWidth = 1;
    int32_t FitHeight = 0;
    int32_t ExpandToVideoSize = 1;
    int32_t RoundTo16Pix = 0;
    int32_t ProcessPriority = 32;
    int32_t EncoderSilence = 120; // seconds without encoder output that fail a job; 0: no limit

    static EngineSettings From(const SettingsRecord& settings);
};

// "hh:mm:ss" to seconds: hours from the first two characters, minutes from
// the two that end at position 5, seconds from the last two; each part read
// as a leading decimal number (none reads 0).
int64_t TimeTextToSeconds(std::string_view text);
// Length of the part to convert: trimEnd - trimStart, less whole days.
int32_t JobLengthSeconds(const CMediaRecord& job);
// Whether a job's span can be converted: it fails with the reason for a
// start at or after the source's end, an end after it, or an end not after
// the start; a source of unknown length passes.
Status CheckJobSpan(const CMediaRecord& job);
// Index of the first codec entry with exactly that name; 0 when none has it.
int FindVideoCodecEntry(const ProfileRecord& profile, std::string_view name);
int FindAudioCodecEntry(const ProfileRecord& profile, std::string_view name);

} // namespace qv
