#include "Osprel.h"

#include "CompanionMessages.h"
#include "MainFeature.h"
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

// What the disc says of each title: its playing seconds (-1 when it is not
// playable: no chain, or cells that do not read) and what marks it as the
// feature. The child writes done as it goes; the parent reads it for the
// progress.
struct Survey {
    int32_t opened; // 1 when the disc and its title table could be read
    int32_t count;
    int32_t done; // titles surveyed so far
    qv::TitleTraits titles[qv::kMaxDvdTitles];
};

// Whether the chain plays its cells in the order they lie on the disc. The
// cells of an angle block after its first are the other angles of the same
// stretch, interleaved with it: they are left out.
bool CellsInOrder(const pgc_t* pgc) {
    uint32_t last = 0;
    bool first = true;
    for (int c = 0; c < pgc->nr_of_cells; ++c) {
        const cell_playback_t& cell = pgc->cell_playback[c];
        if (cell.block_mode == 2 || cell.block_mode == 3)
            continue;
        if (!first && cell.first_sector <= last)
            return false;
        first = false;
        last = cell.first_sector;
    }
    return true;
}

// The title a navigation command jumps to (JumpTT), 0 for any other.
int JumpedTitle(const vm_cmd_t& cmd) {
    return cmd.bytes[0] == 0x30 && (cmd.bytes[1] & 0x0f) == 2 ? cmd.bytes[5] & 0x7f : 0;
}

// Every command of a chain: before, after and in its cells.
template <class F> void EachCommand(const pgc_t* pgc, F f) {
    if (!pgc || !pgc->command_tbl)
        return;
    const pgc_command_tbl_t& t = *pgc->command_tbl;
    for (int i = 0; i < t.nr_of_pre; ++i)
        f(t.pre_cmds[i]);
    for (int i = 0; i < t.nr_of_post; ++i)
        f(t.post_cmds[i]);
    for (int i = 0; i < t.nr_of_cell; ++i)
        f(t.cell_cmds[i]);
}

// The menu chain of the disc's first language unit that a JumpSS into the
// menus goes to (a menu by its number, or a chain by its number), or null.
const pgc_t* MenuChain(ifo_handle_t* vmg, const vm_cmd_t& cmd) {
    if (cmd.bytes[0] != 0x30 || (cmd.bytes[1] & 0x0f) != 6 || !vmg->pgci_ut ||
        vmg->pgci_ut->nr_of_lus < 1 || !vmg->pgci_ut->lu[0].pgcit)
        return nullptr;
    const pgcit_t& menus = *vmg->pgci_ut->lu[0].pgcit;
    const int kind = cmd.bytes[5] >> 6;
    if (kind == 3) {
        const int n = cmd.bytes[2] << 8 | cmd.bytes[3];
        return n >= 1 && n <= menus.nr_of_pgci_srp ? menus.pgci_srp[n - 1].pgc : nullptr;
    }
    const int menu = cmd.bytes[5] & 0x0f;
    for (int i = 0; kind == 1 && i < menus.nr_of_pgci_srp; ++i)
        if (menus.pgci_srp[i].entry_id == (0x80 | menu))
            return menus.pgci_srp[i].pgc;
    return nullptr;
}

// The title menu's chain (entry 2 of the disc's first language unit), or null.
const pgc_t* TitleMenu(ifo_handle_t* vmg) {
    if (!vmg->pgci_ut || vmg->pgci_ut->nr_of_lus < 1 || !vmg->pgci_ut->lu[0].pgcit)
        return nullptr;
    const pgcit_t& menus = *vmg->pgci_ut->lu[0].pgcit;
    for (int i = 0; i < menus.nr_of_pgci_srp; ++i)
        if (menus.pgci_srp[i].entry_id == 0x82)
            return menus.pgci_srp[i].pgc;
    return nullptr;
}

// Marks the titles the disc starts by itself: where its first-play chain
// jumps, and where the title menu, or a menu chain first play jumps to,
// jumps without a button being pressed.
void MarkStartedTitles(ifo_handle_t* vmg, Survey* out) {
    auto mark = [out](int title, int32_t flag) {
        if (title >= 1 && title <= out->count)
            out->titles[title - 1].flags |= flag;
    };
    std::vector<const pgc_t*> menus{TitleMenu(vmg)};
    EachCommand(vmg->first_play_pgc, [&](const vm_cmd_t& cmd) {
        mark(JumpedTitle(cmd), qv::kFirstPlayTarget);
        menus.push_back(MenuChain(vmg, cmd));
    });
    for (const pgc_t* menu : menus) // null when there is none
        EachCommand(menu, [&](const vm_cmd_t& cmd) { mark(JumpedTitle(cmd), qv::kMenuTarget); });
}

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
    // Each title's cells by their first sector, sorted, for the sharing.
    std::vector<std::vector<uint32_t>> starts(count);
    for (int t = 0; t < count; ++t) {
        const title_info_t& info = vmg->tt_srpt->title[t];
        qv::TitleTraits& traits = out->titles[t];
        traits = qv::TitleTraits{};
        const int n = info.title_set_nr;
        if (n >= 1 && n <= 99) {
            TitleSet& set = sets[n];
            if (!set.ifo) {
                set.ifo = ifoOpen(dvd, n);
                set.vobs = set.ifo ? DVDOpenFile(dvd, n, DVD_READ_TITLE_VOBS) : nullptr;
            }
            const pgc_t* pgc = TitleChain(set.ifo, info);
            if (pgc && CellsReadable(set.vobs, pgc)) {
                traits.seconds = Bcd(pgc->playback_time.hour) * 3600 +
                                 Bcd(pgc->playback_time.minute) * 60 +
                                 Bcd(pgc->playback_time.second);
                traits.cells = pgc->nr_of_cells;
                if (CellsInOrder(pgc))
                    traits.flags |= qv::kCellsInOrder;
                for (int c = 0; c < pgc->nr_of_cells; ++c)
                    starts[t].push_back(pgc->cell_playback[c].first_sector);
                std::sort(starts[t].begin(), starts[t].end());
            }
        }
        __atomic_store_n(&out->done, t + 1, __ATOMIC_RELEASE);
    }
    // A cell is shared when another title of the same title set has a cell
    // that starts at the same sector: decoys reuse the feature's cells whole.
    for (int t = 0; t < count; ++t) {
        const int set = vmg->tt_srpt->title[t].title_set_nr;
        const std::vector<uint32_t>& own = starts[t];
        for (size_t c = 0; c < own.size(); ++c) {
            bool shared = false;
            for (int u = 0; u < count && !shared; ++u)
                shared = u != t && vmg->tt_srpt->title[u].title_set_nr == set &&
                         std::binary_search(starts[u].begin(), starts[u].end(), own[c]);
            out->titles[t].sharedCells += shared ? 1 : 0;
        }
    }
    if (vmg)
        MarkStartedTitles(vmg, out);
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
    const int main = qv::MainFeatureOf(survey.titles, count, request->minimumSeconds);
    for (int t = 1; t <= count; ++t) {
        qv::TitleTraits& title = survey.titles[t - 1];
        if (title.seconds < 0)
            report(3, t);
        if (title.seconds < 0 || title.seconds < request->minimumSeconds)
            continue;
        if (t == main)
            title.flags |= qv::kMainFeature;
        report(5, qv::PackTraits(t, title));
        if (request->mainTitle != 1 || t == main)
            report(1, t);
    }
    report(2, 100);
}
