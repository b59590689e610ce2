#include "Osprel.h"

#include "platform/Messages.h"
#include "windows/WindowRegistry.h"

#include <dvdread/dvd_reader.h>
#include <dvdread/ifo_read.h>
#include <dvdread/ifo_types.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

int Bcd(uint8_t v) {
    return (v >> 4) * 10 + (v & 0x0f);
}

// The title's program chain, or null.
const pgc_t* TitleChain(ifo_handle_t* vts, const title_info_t& info) {
    if (!vts || !vts->vts_ptt_srpt || !vts->vts_pgcit || info.vts_ttn < 1 ||
        info.vts_ttn > vts->vts_ptt_srpt->nr_of_srpts ||
        vts->vts_ptt_srpt->title[info.vts_ttn - 1].nr_of_ptts < 1)
        return nullptr;
    int pgcn = vts->vts_ptt_srpt->title[info.vts_ttn - 1].ptt[0].pgcn;
    if (pgcn < 1 || pgcn > vts->vts_pgcit->nr_of_pgci_srp)
        return nullptr;
    return vts->vts_pgcit->pgci_srp[pgcn - 1].pgc;
}

bool CellsReadable(dvd_reader_t* dvd, int titleSet, const pgc_t* pgc) {
    if (!pgc->cell_playback || pgc->nr_of_cells == 0)
        return false;
    dvd_file_t* file = DVDOpenFile(dvd, titleSet, DVD_READ_TITLE_VOBS);
    if (!file)
        return false;
    unsigned char sector[DVD_VIDEO_LB_LEN];
    bool ok = true;
    for (int c = 0; ok && c < pgc->nr_of_cells; ++c) {
        const cell_playback_t& cell = pgc->cell_playback[c];
        ok = cell.last_sector >= cell.first_sector &&
             DVDReadBlocks(file, static_cast<int>(cell.first_sector), 1, sector) == 1 &&
             DVDReadBlocks(file, static_cast<int>(cell.last_sector), 1, sector) == 1;
    }
    DVDCloseFile(file);
    return ok;
}

} // namespace

extern "C" void FindValidTitles(qv::TitleSearchRequest* request) {
    if (!request)
        return;
    const std::string path(request->path, strnlen(request->path, sizeof request->path));
    const int32_t window = request->window;
    auto report = [window](int64_t kind, int64_t value) {
        QvSendWindowMessage(window, qv::WM_TITLE_SEARCH_REPORT, kind, value);
    };
    dvd_reader_t* dvd = DVDOpen(path.c_str());
    if (!dvd) {
        report(2, 100);
        return;
    }
    ifo_handle_t* vmg = ifoOpen(dvd, 0);
    const int count =
        vmg && vmg->tt_srpt ? std::min<int>(vmg->tt_srpt->nr_of_srpts, qv::kMaxDvdTitles) : 0;
    int best = 0, bestSeconds = -1;
    for (int t = 1; t <= count; ++t) {
        const title_info_t& info = vmg->tt_srpt->title[t - 1];
        ifo_handle_t* vts = ifoOpen(dvd, info.title_set_nr);
        const pgc_t* pgc = TitleChain(vts, info);
        if (pgc) {
            const int seconds = Bcd(pgc->playback_time.hour) * 3600 +
                                Bcd(pgc->playback_time.minute) * 60 +
                                Bcd(pgc->playback_time.second);
            if (seconds >= request->minimumSeconds && CellsReadable(dvd, info.title_set_nr, pgc)) {
                if (request->mainTitle != 1)
                    report(1, t);
                else if (seconds > bestSeconds) {
                    best = t;
                    bestSeconds = seconds;
                }
            }
        }
        if (vts)
            ifoClose(vts);
        report(2, t * 100 / count);
    }
    if (request->mainTitle == 1 && best > 0)
        report(1, best);
    if (count == 0)
        report(2, 100);
    if (vmg)
        ifoClose(vmg);
    DVDClose(dvd);
}
