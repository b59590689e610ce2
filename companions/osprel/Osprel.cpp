#include "Osprel.h"

#include "CompanionMessages.h"
#include "WindowRegistry.h"

#include "ForkedChild.h"

#include <dvdread/dvd_reader.h>
#include <dvdread/ifo_read.h>
#include <dvdread/ifo_types.h>

#include <algorithm>
#include <chrono>
#include <cstdarg>
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

bool CellsReadable(dvd_file_t* file, const pgc_t* pgc) {
    if (!file || !pgc->cell_playback || pgc->nr_of_cells == 0)
        return false;
    unsigned char sector[DVD_VIDEO_LB_LEN];
    for (int c = 0; c < pgc->nr_of_cells; ++c) {
        const cell_playback_t& cell = pgc->cell_playback[c];
        if (cell.last_sector < cell.first_sector ||
            DVDReadBlocks(file, static_cast<int>(cell.first_sector), 1, sector) != 1 ||
            DVDReadBlocks(file, static_cast<int>(cell.last_sector), 1, sector) != 1)
            return false;
    }
    return true;
}

// What the disc says of each title: its playing seconds, or -1 when it is
// not playable (no chain, or cells that do not read). The child writes done
// as it goes; the parent reads it for the progress.
struct Survey {
    int32_t opened; // 1 when the disc and its title table could be read
    int32_t count;
    int32_t done; // titles surveyed so far
    int32_t seconds[qv::kMaxDvdTitles];
};

// A title set's IFO and video files, opened once for all its titles.
struct TitleSet {
    ifo_handle_t* ifo = nullptr;
    dvd_file_t* vobs = nullptr;
};

void SurveyHere(const char* path, Survey* out) {
    out->count = 0;
    // libdvdread's own notes ("Couldn't find device name." for every
    // folder) would land on the caller's terminal; its failures come back as
    // results.
    static const dvd_logger_cb quiet = {[](void*, dvd_logger_level_t, const char*, va_list) {}};
    dvd_reader_t* dvd = DVDOpen2(nullptr, &quiet, path);
    if (!dvd)
        return;
    ifo_handle_t* vmg = ifoOpen(dvd, 0);
    out->opened = vmg && vmg->tt_srpt ? 1 : 0;
    const int count =
        vmg && vmg->tt_srpt ? std::min<int>(vmg->tt_srpt->nr_of_srpts, qv::kMaxDvdTitles) : 0;
    out->count = count;
    TitleSet sets[100]; // title set numbers are 1..99
    for (int t = 0; t < count; ++t) {
        const title_info_t& info = vmg->tt_srpt->title[t];
        out->seconds[t] = -1;
        const int n = info.title_set_nr;
        if (n >= 1 && n <= 99) {
            TitleSet& set = sets[n];
            if (!set.ifo) {
                set.ifo = ifoOpen(dvd, n);
                set.vobs = set.ifo ? DVDOpenFile(dvd, n, DVD_READ_TITLE_VOBS) : nullptr;
            }
            const pgc_t* pgc = TitleChain(set.ifo, info);
            if (pgc && CellsReadable(set.vobs, pgc))
                out->seconds[t] = Bcd(pgc->playback_time.hour) * 3600 +
                                  Bcd(pgc->playback_time.minute) * 60 +
                                  Bcd(pgc->playback_time.second);
        }
        __atomic_store_n(&out->done, t + 1, __ATOMIC_RELEASE);
    }
    for (TitleSet& set : sets) {
        if (set.vobs)
            DVDCloseFile(set.vobs);
        if (set.ifo)
            ifoClose(set.ifo);
    }
    if (vmg)
        ifoClose(vmg);
    DVDClose(dvd);
}

// Surveys the disc in a child process: libdvdread can crash on damaged IFO
// files, and that must not end the program. The child is killed when the
// request is cancelled. Its findings come back here, and the reports to the
// request's window are sent from this process.
// 0 when surveyed; 2 when the child ran out of time, 3 when it crashed.
template <class Progress>
int SurveyDisc(const char* path, const int32_t* cancel, Survey* out, Progress progress) {
    out->count = 0;
    out->opened = 0;
    const std::string where = path;
    const auto started = std::chrono::steady_clock::now();
    const int result = qv::RunInForkedChild<Survey>(
        qv::kDiscSurveyLimitMs, cancel,
        [&where](Survey& survey) {
            SurveyHere(where.c_str(), &survey);
            return 0;
        },
        [out](const Survey& survey) { *out = survey; },
        [&progress](const Survey& survey) {
            const int count = __atomic_load_n(&survey.count, __ATOMIC_ACQUIRE);
            const int done = __atomic_load_n(&survey.done, __ATOMIC_ACQUIRE);
            if (count > 0)
                progress(std::clamp(done, 0, count) * 100 / count);
        });
    if (result == 0)
        return 0;
    const auto took = std::chrono::steady_clock::now() - started;
    return took >= std::chrono::milliseconds(qv::kDiscSurveyLimitMs) ? 2 : 3;
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
    // The survey's progress as it goes, then each title's verdict.
    int told = -1;
    const int failure = SurveyDisc(path.c_str(), &request->cancel, &survey, [&](int percent) {
        if (percent > told && percent < 100)
            report(2, told = percent);
    });
    if (qv::CancelRequested(request->cancel))
        return; // a cancelled search reports nothing more
    if (failure != 0 || !survey.opened) {
        report(4, failure != 0 ? failure : 1);
        report(2, 100);
        return;
    }
    const int count = std::clamp(survey.count, 0, qv::kMaxDvdTitles);
    int best = 0, bestSeconds = -1;
    for (int t = 1; t <= count; ++t) {
        const int seconds = survey.seconds[t - 1];
        if (seconds < 0)
            report(3, t);
        if (seconds >= 0 && seconds >= request->minimumSeconds) {
            if (request->mainTitle != 1)
                report(1, t);
            else if (seconds > bestSeconds) {
                best = t;
                bestSeconds = seconds;
            }
        }
    }
    if (request->mainTitle == 1 && best > 0)
        report(1, best);
    report(2, 100);
}
