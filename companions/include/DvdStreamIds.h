#pragma once

// How the DVD reader, the encoder and the player name a title's audio and
// subpicture streams. They all take the player's numbering: an audio stream
// is its format's base plus its number on the disc (MPEG audio 0, AC-3 128,
// DTS 136, LPCM 160), and a subpicture stream is its number on the disc
// (0..31), which is what the pack headers carry, not its place in a list.

#include <cstdint>

namespace qv {

enum DvdAudioBase : int { kMpegAudioBase = 0, kAc3Base = 128, kDtsBase = 136, kLpcmBase = 160 };

// The base for a title set's audio_format attribute (0 AC-3, 2/3 MPEG-1/2,
// 4 LPCM, 6 DTS); -1 for a format the player does not name.
inline int AudioBaseOfFormat(int audioFormat) {
    switch (audioFormat) {
    case 0: return kAc3Base;
    case 2:
    case 3: return kMpegAudioBase;
    case 4: return kLpcmBase;
    case 6: return kDtsBase;
    default: return -1;
    }
}

// The stream number (0..7) and format base of an audio id; false when the
// id names no DVD audio stream.
inline bool SplitAudioId(int id, int* base, int* number) {
    const int bases[] = {kMpegAudioBase, kAc3Base, kDtsBase, kLpcmBase};
    for (int b : bases)
        if (id >= b && id < b + 8) {
            *base = b;
            *number = id - b;
            return true;
        }
    return false;
}

// The MPEG program stream code that carries an audio id: 0x1c0+n for MPEG
// audio, the private-stream substream (0x80+n, 0x88+n, 0xa0+n) otherwise.
inline int AudioStreamCode(int id) {
    int base = 0, number = 0;
    if (!SplitAudioId(id, &base, &number))
        return -1;
    return base == kMpegAudioBase ? 0x1c0 + number : id;
}

// The physical number of a subpicture stream from its entry of a program
// chain's subp_control: the 4:3 stream for a 4:3 title, the letterbox one for
// a 16:9 title (the player's choice too).
inline int SubpictureStream(uint32_t control, int displayAspect) {
    return static_cast<int>(displayAspect == 3 ? (control >> 8) & 31 : (control >> 24) & 31);
}

} // namespace qv
