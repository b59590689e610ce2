#pragma once

// What a DVD's titles say about which of them is the feature, and the rule
// that picks it. Discs protected with decoy titles carry dozens of titles of
// about the feature's length that play the feature's cells out of order, so
// the longest title alone is a guess.

#include <cstdint>

namespace qv {

struct TitleTraits {
    int32_t seconds = -1;    // playing time; -1 when the title cannot be played
    int32_t cells = 0;       // cells its program chain plays (0..255)
    int32_t sharedCells = 0; // of those, cells that another title also plays
    int32_t flags = 0;       // the marks below
};
enum : int32_t {
    kCellsInOrder = 1,    // every cell starts after the one before it on the disc
    kFirstPlayTarget = 2, // the disc's first-play program jumps to it
    kMenuTarget = 4,      // the title menu (or the menu first play opens) jumps to it
    kMainFeature = 8,     // the title the rule picked
};

// Whether a ranks before b as the feature, both being valid titles: cells
// in order first, then a title the disc itself starts (first play or
// title menu), then the smaller share of cells other titles also play,
// then the longer.
inline bool RanksBefore(const TitleTraits& a, const TitleTraits& b) {
    const bool aOrdered = a.flags & kCellsInOrder, bOrdered = b.flags & kCellsInOrder;
    if (aOrdered != bOrdered)
        return aOrdered;
    const bool aPointed = a.flags & (kFirstPlayTarget | kMenuTarget);
    const bool bPointed = b.flags & (kFirstPlayTarget | kMenuTarget);
    if (aPointed != bPointed)
        return aPointed;
    // shared/cells compared without division; a title without cells shares none.
    const int64_t aShare = int64_t(a.sharedCells) * (b.cells > 0 ? b.cells : 1);
    const int64_t bShare = int64_t(b.sharedCells) * (a.cells > 0 ? a.cells : 1);
    if (aShare != bShare)
        return aShare < bShare;
    return a.seconds > b.seconds;
}

// The main feature among titles[0..count): the 1-based number of the first
// title that ranks before every other candidate, 0 when no title plays at
// least minimumSeconds. Candidates are the titles that play at least
// minimumSeconds and at least half as long as the longest of them, so that
// an extra in order never wins over a feature whose cells are not.
inline int MainFeatureOf(const TitleTraits* titles, int count, int minimumSeconds) {
    int longest = -1;
    for (int t = 0; t < count; ++t)
        if (titles[t].seconds >= 0 && titles[t].seconds >= minimumSeconds &&
            titles[t].seconds > longest)
            longest = titles[t].seconds;
    if (longest < 0)
        return 0;
    int best = 0;
    for (int t = 0; t < count; ++t) {
        const TitleTraits& title = titles[t];
        if (title.seconds < 0 || title.seconds < minimumSeconds ||
            int64_t(title.seconds) * 2 < longest)
            continue;
        if (best == 0 || RanksBefore(title, titles[best - 1]))
            best = t + 1;
    }
    return best;
}

// A title's traits in one report value, and back.
inline int64_t PackTraits(int title, const TitleTraits& t) {
    auto byte = [](int32_t v) { return int64_t(v < 0 ? 0 : v > 255 ? 255 : v); };
    return byte(title) | byte(t.cells) << 8 | byte(t.sharedCells) << 16 | byte(t.flags) << 24 |
           int64_t(t.seconds < 0 ? 0 : t.seconds) << 32;
}
inline TitleTraits UnpackTraits(int64_t value, int* title) {
    TitleTraits t;
    *title = int(value & 0xff);
    t.cells = int32_t(value >> 8 & 0xff);
    t.sharedCells = int32_t(value >> 16 & 0xff);
    t.flags = int32_t(value >> 24 & 0xff);
    t.seconds = int32_t(value >> 32 & 0x7fffffff);
    return t;
}

} // namespace qv
