#include "DvdTitle.h"

#include <algorithm>

#include "DvdStreamIds.h"

#include <dvdread/dvd_reader.h>
#include <dvdread/ifo_read.h>
#include <dvdread/ifo_types.h>

#include <cstdio>
#include <sys/stat.h>
#include <vector>

namespace quenzo {

namespace {

int Bcd(uint8_t v) {
    return (v >> 4) * 10 + (v & 0x0f);
}

double Seconds(const dvd_time_t& t) {
    return Bcd(t.hour) * 3600.0 + Bcd(t.minute) * 60.0 + Bcd(t.second);
}

} // namespace

DvdTitle::~DvdTitle() {
    if (vts_)
        ifoClose(vts_);
    if (vmg_)
        ifoClose(vmg_);
    if (dvd_)
        DVDClose(dvd_);
}

bool DvdTitle::Open(const std::string& device, int title, std::string* error) {
    struct stat st;
    if (::stat(device.c_str(), &st) != 0) {
        *error = "the DVD \"" + device + "\" does not exist";
        return false;
    }
    dvd_ = DVDOpen(device.c_str());
    if (!dvd_) {
        *error = "cannot open the DVD \"" + device + "\"";
        return false;
    }
    vmg_ = ifoOpen(dvd_, 0);
    if (!vmg_ || !vmg_->tt_srpt) {
        *error = "cannot read VIDEO_TS.IFO of the DVD \"" + device + "\"";
        return false;
    }
    if (title < 1 || title > vmg_->tt_srpt->nr_of_srpts) {
        *error = "the DVD has no title " + std::to_string(title) + " (it has " +
                 std::to_string(vmg_->tt_srpt->nr_of_srpts) + ")";
        return false;
    }
    const title_info_t& info = vmg_->tt_srpt->title[title - 1];
    titleSet_ = info.title_set_nr;
    vts_ = ifoOpen(dvd_, titleSet_);
    if (!vts_ || !vts_->vts_ptt_srpt || !vts_->vts_pgcit) {
        *error = "cannot read the IFO file of title set " + std::to_string(titleSet_);
        return false;
    }
    if (info.vts_ttn < 1 || info.vts_ttn > vts_->vts_ptt_srpt->nr_of_srpts ||
        vts_->vts_ptt_srpt->title[info.vts_ttn - 1].nr_of_ptts < 1) {
        *error = "title " + std::to_string(title) + " has no chapters";
        return false;
    }
    const ptt_info_t& ptt = vts_->vts_ptt_srpt->title[info.vts_ttn - 1].ptt[0];
    pgcNumber_ = ptt.pgcn;
    if (pgcNumber_ < 1 || pgcNumber_ > vts_->vts_pgcit->nr_of_pgci_srp) {
        *error = "title " + std::to_string(title) + " names no program chain";
        return false;
    }
    const pgc_t* pgc = vts_->vts_pgcit->pgci_srp[pgcNumber_ - 1].pgc;
    if (!pgc || !pgc->cell_playback || !pgc->program_map || ptt.pgn < 1 ||
        ptt.pgn > pgc->nr_of_programs) {
        *error = "title " + std::to_string(title) + " has no playable cells";
        return false;
    }
    firstCell_ = pgc->program_map[ptt.pgn - 1] - 1;
    length_ = Seconds(pgc->playback_time);

    if (S_ISDIR(st.st_mode)) {
        char name[32];
        std::snprintf(name, sizeof name, "VTS_%02d_0.IFO", titleSet_);
        for (const std::string& dir : {device + "/VIDEO_TS/", device + "/"}) {
            struct stat f;
            if (::stat((dir + name).c_str(), &f) == 0) {
                ifoPath_ = dir + name;
                break;
            }
        }
    }
    return true;
}

bool DvdTitle::Stream(const std::function<bool(const unsigned char*, size_t)>& sink,
                      std::string* error) {
    const pgc_t* pgc = vts_->vts_pgcit->pgci_srp[pgcNumber_ - 1].pgc;
    dvd_file_t* file = DVDOpenFile(dvd_, titleSet_, DVD_READ_TITLE_VOBS);
    if (!file) {
        *error = "cannot open the video files of title set " + std::to_string(titleSet_);
        return false;
    }
    constexpr int kBlocks = 64;
    std::vector<unsigned char> buffer(static_cast<size_t>(kBlocks) * DVD_VIDEO_LB_LEN);
    bool ok = true;
    for (int cell = firstCell_; ok && cell < pgc->nr_of_cells; ++cell) {
        const cell_playback_t& c = pgc->cell_playback[cell];
        // Of an angle block only the first angle is played.
        if (c.block_type == BLOCK_TYPE_ANGLE_BLOCK && c.block_mode != BLOCK_MODE_FIRST_CELL)
            continue;
        for (uint32_t sector = c.first_sector; ok && sector <= c.last_sector;) {
            int count = static_cast<int>(std::min<uint32_t>(kBlocks, c.last_sector - sector + 1));
            ssize_t got = DVDReadBlocks(file, static_cast<int>(sector), static_cast<size_t>(count),
                                        buffer.data());
            if (got <= 0) {
                *error = "cannot read sector " + std::to_string(sector) + " of the DVD";
                DVDCloseFile(file);
                return false;
            }
            if (!sink(buffer.data(), static_cast<size_t>(got) * DVD_VIDEO_LB_LEN))
                ok = false; // the reader has had enough
            sector += static_cast<uint32_t>(got);
        }
    }
    DVDCloseFile(file);
    return true;
}

int DvdTitle::AudioChannels(int aid) const {
    if (!vts_ || !vts_->vtsi_mat || !vts_->vts_pgcit || pgcNumber_ < 1)
        return 0;
    int base = -1, number = -1;
    if (aid >= 0 && !qv::SplitAudioId(aid, &base, &number))
        return 0;
    const pgc_t* pgc = vts_->vts_pgcit->pgci_srp[pgcNumber_ - 1].pgc;
    const int count = std::min<int>(vts_->vtsi_mat->nr_of_vts_audio_streams, 8);
    for (int k = 0; pgc && k < count; ++k) {
        const uint16_t control = pgc->audio_control[k];
        const audio_attr_t& attr = vts_->vtsi_mat->vts_audio_attr[k];
        if ((control & 0x8000) && (aid < 0 || (((control >> 8) & 7) == number &&
                                               qv::AudioBaseOfFormat(attr.audio_format) == base)))
            return attr.channels + 1;
    }
    return 0;
}

} // namespace quenzo
