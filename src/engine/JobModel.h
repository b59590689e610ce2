#pragma once

#include <cstddef>
#include <cstdint>
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

// Reads a fixed-size text field up to its terminator, or up to the field's
// end when the terminator is missing.
template <size_t N> std::string FieldText(const char (&field)[N]) {
    size_t n = 0;
    while (n < N && field[n] != '\0')
        ++n;
    return std::string(field, n);
}

// Stores text into a fixed-size field: cut to fit with its terminator inside,
// never in the middle of a UTF-8 character; the rest of the field is zeroed.
void StoreFieldText(char* field, size_t size, std::string_view text);
template <size_t N> void SetFieldText(char (&field)[N], std::string_view text) {
    StoreFieldText(field, N, text);
}

// One audio or subtitle track of a DVD title. 260 bytes.
struct TrackEntry {
    char label[256];  // "%s %s" of the scan's two texts for audio
    int32_t streamId; // audio: the stream id of the scan; subtitle: its position

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
};

// The output name of a file source: the file name without folder and without
// the part from its last ".".
std::string FileBaseName(std::string_view path);
// The output name of a DVD title: "<label>_Title_<n>" with the characters
// that no file name may hold blanked, or "Title_<n>" without a label.
std::string DvdTitleBaseName(std::string_view volumeLabel, int titleNumber);

// 320 bytes.
struct VideoCodecEntry {
    char name[32];     // matched against the chosen codec; the lavc codec name
    char family[32];   // "x264", "lavc", "xvid" or "copy" (any case)
    char options[128]; // appended after ":"
    char filters[128]; // appended after ","
};
static_assert(sizeof(VideoCodecEntry) == 320);

// 192 bytes.
struct AudioCodecEntry {
    char name[32];    // matched against the chosen codec; the lavc codec name
    char family[32];  // "faac", "lavc", "mp3lame" or "pcm" (any case)
    char options[64]; // appended after ":"
    char filters[64]; // appended after ","
};
static_assert(sizeof(AudioCodecEntry) == 192);

// The output profile, 7144 bytes with fixed offsets: the table that the
// profile library fills is an array of these. Integers are 32-bit signed,
// little-endian; texts are NUL-terminated within their field; choice lists
// are comma-separated items.
struct ProfileRecord {
    char name[128];
    char category[68];
    char iconName[32];
    char categoryIcon[32];
    char resolutionChoices[256]; // "Auto" or "%d*%d" items
    char frameRateChoices[128];
    char videoBitRateChoices[256];
    char audioBitRateChoices[256];
    char sampleRateChoices[256];
    char channelChoices[128];
    VideoCodecEntry videoCodecs[10];
    AudioCodecEntry audioCodecs[10];
    int32_t videoCodecCount;
    int32_t audioCodecCount;
    char videoCodec[32];  // the chosen video codec entry's name
    char audioCodec[32];  // the chosen audio codec entry's name
    int32_t width;        // -1: keep the source size
    int32_t height;       // -1: keep the source size
    char frameRate[32];   // "Auto", "23.97", "29.97" or a number
    int32_t videoBitRate; // kbit/s
    int32_t audioBitRate; // kbit/s
    int32_t sampleRate;   // Hz
    int32_t channels;
    char zoomMode[96];      // "letterbox", "fullscreen" or "panscale"
    char outputFormat[32];  // the output extension, or "ipod_h264" / "ipod_mpeg4"
    char muxerOptions[128]; // placed into the command line as it stands
    char kind[32];          // "audio" (any case) marks an audio-only profile
    char extraParams[64];   // placed into the command line as it stands
    int32_t noThreads;      // non-zero: never add the encoder thread option

    bool IsAudioOnly() const;
};

static_assert(sizeof(ProfileRecord) == 7144);
static_assert(offsetof(ProfileRecord, name) == 0);
static_assert(offsetof(ProfileRecord, category) == 128);
static_assert(offsetof(ProfileRecord, iconName) == 196);
static_assert(offsetof(ProfileRecord, categoryIcon) == 228);
static_assert(offsetof(ProfileRecord, resolutionChoices) == 260);
static_assert(offsetof(ProfileRecord, frameRateChoices) == 516);
static_assert(offsetof(ProfileRecord, videoBitRateChoices) == 644);
static_assert(offsetof(ProfileRecord, audioBitRateChoices) == 900);
static_assert(offsetof(ProfileRecord, sampleRateChoices) == 1156);
static_assert(offsetof(ProfileRecord, channelChoices) == 1412);
static_assert(offsetof(ProfileRecord, videoCodecs) == 1540);
static_assert(offsetof(ProfileRecord, audioCodecs) == 4740);
static_assert(offsetof(ProfileRecord, videoCodecCount) == 6660);
static_assert(offsetof(ProfileRecord, audioCodecCount) == 6664);
static_assert(offsetof(ProfileRecord, videoCodec) == 6668);
static_assert(offsetof(ProfileRecord, audioCodec) == 6700);
static_assert(offsetof(ProfileRecord, width) == 6732);
static_assert(offsetof(ProfileRecord, height) == 6736);
static_assert(offsetof(ProfileRecord, frameRate) == 6740);
static_assert(offsetof(ProfileRecord, videoBitRate) == 6772);
static_assert(offsetof(ProfileRecord, audioBitRate) == 6776);
static_assert(offsetof(ProfileRecord, sampleRate) == 6780);
static_assert(offsetof(ProfileRecord, channels) == 6784);
static_assert(offsetof(ProfileRecord, zoomMode) == 6788);
static_assert(offsetof(ProfileRecord, outputFormat) == 6884);
static_assert(offsetof(ProfileRecord, muxerOptions) == 6916);
static_assert(offsetof(ProfileRecord, kind) == 7044);
static_assert(offsetof(ProfileRecord, extraParams) == 7076);
static_assert(offsetof(ProfileRecord, noThreads) == 7140);

constexpr int kMaxProfiles = 128;

// The table the profile library fills: a count, then room for 128 records.
struct ProfileTable {
    int32_t count;
    ProfileRecord records[kMaxProfiles];
};
static_assert(offsetof(ProfileTable, records) == 4);
static_assert(sizeof(ProfileTable) == 4 + 128 * 7144);

// The settings a batch hands to the engine.
struct EngineSettings {
    int32_t MultiThread = 1;
    int32_t DVDAccess = 1;
    int32_t FitWidth = 1;
    int32_t FitHeight = 0;
    int32_t ExpandToVideoSize = 1;
    int32_t RoundTo16Pix = 0;
    int32_t ProcessPriority = 32;

    static EngineSettings From(const SettingsRecord& settings);
};

// "hh:mm:ss" to seconds: hours from the first two characters, minutes from
// the two that end at position 5, seconds from the last two; each part read
// as a leading decimal number (none reads 0).
int64_t TimeTextToSeconds(std::string_view text);
// Length of the part to convert: trimEnd - trimStart, less whole days.
int32_t JobLengthSeconds(const CMediaRecord& job);
// Index of the first codec entry with exactly that name; 0 when none has it.
int FindVideoCodecEntry(const ProfileRecord& profile, std::string_view name);
int FindAudioCodecEntry(const ProfileRecord& profile, std::string_view name);

} // namespace qv
