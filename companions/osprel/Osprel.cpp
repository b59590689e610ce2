#include "Osprel.h"

#include "CompanionMessages.h"
#include "WindowRegistry.h"

#include "ForkedChild.h"

#include <dvdread/dvd_reader.h>
#include <dvdread/ifo_read.h>
#include <dvdread/ifo_types.h>

#include <algorithm>
#include <cstring>
#include <string>

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

// What the disc says of each title: its playing seconds, or -1 when it is
// not playable (no chain, or cells that do not read).
struct Survey {
    int32_t count;
    int32_t seconds[qv::kMaxDvdTitles];
};

void SurveyHere(const char* path, Survey* out) {
    out->count = 0;
    dvd_reader_t* dvd = DVDOpen(path);
    if (!dvd)
        return;
    ifo_handle_t* vmg = ifoOpen(dvd, 0);
    const int count =
        vmg && vmg->tt_srpt ? std::min<int>(vmg->tt_srpt->nr_of_srpts, qv::kMaxDvdTitles) : 0;
    for (int t = 0; t < count; ++t) {
        const title_info_t& info = vmg->tt_srpt->title[t];
        ifo_handle_t* vts = ifoOpen(dvd, info.title_set_nr);
        const pgc_t* pgc = TitleChain(vts, info);
        out->seconds[t] = -1;
        if (pgc && CellsReadable(dvd, info.title_set_nr, pgc))
            out->seconds[t] = Bcd(pgc->playback_time.hour) * 3600 +
                              Bcd(pgc->playback_time.minute) * 60 + Bcd(pgc->playback_time.second);
        if (vts)
            ifoClose(vts);
    }
    out->count = count;
    if (vmg)
        ifoClose(vmg);
    DVDClose(dvd);
}

// Surveys the disc in a child process: libdvdread can crash on damaged IFO
// files, and that must not end the program. The child is killed when the
// request is cancelled. Its findings come back here, and the reports to the
// request's window are sent from this process.
void SurveyDisc(const char* path, const int32_t* cancel, Survey* out) {
    out->count = 0;
    const std::string where = path;
    qv::RunInForkedChild<Survey>(
        qv::kDiscSurveyLimitMs, cancel,
        [&where](Survey& survey) {
            SurveyHere(where.c_str(), &survey);
            return 0;
        },
        [out](const Survey& survey) { *out = survey; });
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
    if (qv::CancelRequested(request->cancel))
        return;
    Survey survey;
    SurveyDisc(path.c_str(), &request->cancel, &survey);
    if (qv::CancelRequested(request->cancel))
        return; // a cancelled search reports nothing more
    const int count = std::clamp(survey.count, 0, qv::kMaxDvdTitles);
    int best = 0, bestSeconds = -1;
    for (int t = 1; t <= count; ++t) {
        const int seconds = survey.seconds[t - 1];
        if (seconds >= 0 && seconds >= request->minimumSeconds) {
            if (request->mainTitle != 1)
                report(1, t);
            else if (seconds > bestSeconds) {
                best = t;
                bestSeconds = seconds;
            }
        }
        report(2, t * 100 / count);
    }
    if (request->mainTitle == 1 && best > 0)
        report(1, best);
    if (count == 0)
        report(2, 100);
}
