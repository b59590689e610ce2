#pragma once

// The byte layout of the output profile, shared by the program and the
// profile library that fills the table.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace qv {

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
inline void StoreFieldText(char* field, size_t size, std::string_view text) {
    if (size == 0)
        return;
    size_t n = text.size() < size - 1 ? text.size() : size - 1;
    // Step back over UTF-8 continuation bytes so a cut never splits a character.
    if (n < text.size())
        while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
            --n;
    std::memset(field, 0, size);
    std::memcpy(field, text.data(), n);
}
template <size_t N> void SetFieldText(char (&field)[N], std::string_view text) {
    StoreFieldText(field, N, text);
}

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

} // namespace qv
