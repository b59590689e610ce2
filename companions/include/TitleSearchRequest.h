#pragma once

// The fixed layout of a request to the valid-title search.

#include "DvdInfoBlock.h"

#include <cstddef>
#include <cstdint>

namespace qv {

struct TitleSearchRequest { // 1036 bytes
    char path[512];
    int32_t mainTitle;      // 1: the main title only
    int32_t minimumSeconds; // 60
    int32_t window;         // a handle of the window registry
    int32_t cancel;         // set by the caller (RequestCancel) to end the search
    char unused[508];
};
static_assert(sizeof(TitleSearchRequest) == 1036);
static_assert(offsetof(TitleSearchRequest, window) == 520);
static_assert(offsetof(TitleSearchRequest, cancel) == 524);

} // namespace qv
