#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include <dvdread/dvd_reader.h>
#include <dvdread/ifo_types.h>

namespace quenzo {

// One title of a DVD (a drive or a VIDEO_TS folder), read with libdvdread
// in the order of its program chain's cells.
class DvdTitle {
public:
    DvdTitle() = default;
    ~DvdTitle();
    DvdTitle(const DvdTitle&) = delete;
    DvdTitle& operator=(const DvdTitle&) = delete;

    bool Open(const std::string& device, int title, std::string* error);
    double LengthSeconds() const { return length_; }
    // The channel count of an audio stream by its player id (MPEG 0+n, AC-3
    // 128+n, DTS 136+n, LPCM 160+n; -1 the first), or 0 when unknown.
    int AudioChannels(int aid) const;
    // The title set's IFO file when the disc is a folder (for the subtitle
    // palette); empty for a drive.
    std::string IfoPath() const { return ifoPath_; }
    // Hands the title's sectors to sink in order, until the end or until
    // sink returns false. False with a reason on a read error.
    bool Stream(const std::function<bool(const unsigned char*, size_t)>& sink, std::string* error);

private:
    dvd_reader_t* dvd_ = nullptr;
    ifo_handle_t* vmg_ = nullptr;
    ifo_handle_t* vts_ = nullptr;
    int titleSet_ = 0;
    int pgcNumber_ = 0;
    int firstCell_ = 0;
    double length_ = 0;
    std::string ifoPath_;
};

} // namespace quenzo
