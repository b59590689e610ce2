#pragma once

// The fixed layout through which a DVD's titles come back from the DVD
// structure library, and the cancel flag that its callers and the valid-title
// search request share.

#include <cstddef>
#include <cstdint>

namespace qv {

struct DvdAudioEntry { // 264 bytes
    char language[64]; // e.g. "English"
    char format[196];  // e.g. "AC3 2ch 48000Hz"
    // As MPlayer's -aid takes it: MPEG audio 0+n, AC-3 128+n, DTS 136+n,
    // LPCM 160+n, n being the stream's number on the disc.
    int32_t streamId;
};
static_assert(sizeof(DvdAudioEntry) == 264);
static_assert(offsetof(DvdAudioEntry, streamId) == 260);

struct DvdSubtitleEntry { // 68 bytes
    char label[64];
    int32_t streamId; // the subpicture stream's number on the disc, as -sid takes it
};
static_assert(sizeof(DvdSubtitleEntry) == 68);

struct DvdTitleRecord {    // 10,740 bytes
    int32_t subtitleCount; // 0..32
    int32_t audioCount;    // 0..32
    char unused[8];
    DvdSubtitleEntry subtitles[32];
    DvdAudioEntry audio[32];
    char length[64];    // hh:mm:ss
    char frameRate[32]; // "25", "29.97"
    int32_t selected;   // set by the scan dialog
};
static_assert(sizeof(DvdTitleRecord) == 10740);
static_assert(offsetof(DvdTitleRecord, subtitles) == 16);
static_assert(offsetof(DvdTitleRecord, audio) == 2192);
static_assert(offsetof(DvdTitleRecord, length) == 10640);
static_assert(offsetof(DvdTitleRecord, frameRate) == 10704);
static_assert(offsetof(DvdTitleRecord, selected) == 10736);

constexpr int kMaxDvdTitles = 99;

struct DvdInfoBlock { // 1,063,400 bytes
    int32_t cancel;   // set by the caller (RequestCancel) to end a read in progress
    char unused0[60];
    char frameSize[64]; // "720x576"
    int32_t titleCount; // 0..99
    char unused1[8];
    DvdTitleRecord titles[kMaxDvdTitles];
};
static_assert(offsetof(DvdInfoBlock, unused0) == 4);
static_assert(offsetof(DvdInfoBlock, titleCount) == 128);
static_assert(offsetof(DvdInfoBlock, titles) == 140);
static_assert(sizeof(DvdInfoBlock) == 1063400);

// A block's cancel flag is set by one thread while another reads the disc
// into the block: both sides go through these.
inline void RequestCancel(int32_t& flag) {
    __atomic_store_n(&flag, 1, __ATOMIC_RELEASE);
}
inline bool CancelRequested(const int32_t& flag) {
    return __atomic_load_n(&flag, __ATOMIC_ACQUIRE) != 0;
}

} // namespace qv
