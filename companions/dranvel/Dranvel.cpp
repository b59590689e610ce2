#include "Dranvel.h"

#include "ProfileLayout.h"

#include "DvdStreamIds.h"
#include "ForkedChild.h"

#include <dvdread/dvd_reader.h>
#include <dvdread/ifo_read.h>
#include <dvdread/ifo_types.h>

#include <chrono>
#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

int Bcd(uint8_t v) {
    return (v >> 4) * 10 + (v & 0x0f);
}

std::string LanguageName(uint16_t code) {
    if (code == 0 || code == 0xffff)
        return "Unknown";
    const char c[3] = {static_cast<char>(code >> 8), static_cast<char>(code & 0xff), 0};
    static const std::pair<const char*, const char*> names[] = {
        {"en", "English"}, {"zh", "Chinese"},    {"fr", "French"},    {"de", "German"},
        {"es", "Spanish"}, {"it", "Italian"},    {"ja", "Japanese"},  {"ko", "Korean"},
        {"ru", "Russian"}, {"pt", "Portuguese"}, {"nl", "Dutch"},     {"sv", "Swedish"},
        {"da", "Danish"},  {"fi", "Finnish"},    {"no", "Norwegian"}, {"pl", "Polish"},
        {"cs", "Czech"},   {"hu", "Hungarian"},  {"el", "Greek"},     {"tr", "Turkish"},
        {"ar", "Arabic"},  {"he", "Hebrew"},     {"th", "Thai"},      {"hi", "Hindi"}};
    for (const auto& [k, name] : names)
        if (std::strcmp(c, k) == 0)
            return name;
    bool printable = c[0] >= 'a' && c[0] <= 'z' && c[1] >= 'a' && c[1] <= 'z';
    return printable ? std::string(c) : "Unknown";
}

const char* FormatName(int format) {
    switch (format) {
    case 0: return "AC3";
    case 2:
    case 3: return "MPEG";
    case 4: return "LPCM";
    case 6: return "DTS";
    default: return "Audio";
    }
}

template <size_t N> void Put(char (&field)[N], const std::string& text) {
    qv::SetFieldText(field, text);
}

void ReadTitle(dvd_reader_t* dvd, const title_info_t& info, qv::DvdTitleRecord& out,
               std::string* frameSize) {
    ifo_handle_t* vts = ifoOpen(dvd, info.title_set_nr);
    if (!vts)
        return;
    const vtsi_mat_t* mat = vts->vtsi_mat;
    const pgc_t* pgc = nullptr;
    if (vts->vts_ptt_srpt && vts->vts_pgcit && info.vts_ttn >= 1 &&
        info.vts_ttn <= vts->vts_ptt_srpt->nr_of_srpts &&
        vts->vts_ptt_srpt->title[info.vts_ttn - 1].nr_of_ptts > 0) {
        int pgcn = vts->vts_ptt_srpt->title[info.vts_ttn - 1].ptt[0].pgcn;
        if (pgcn >= 1 && pgcn <= vts->vts_pgcit->nr_of_pgci_srp)
            pgc = vts->vts_pgcit->pgci_srp[pgcn - 1].pgc;
    }
    if (pgc) {
        char length[16];
        std::snprintf(length, sizeof length, "%02d:%02d:%02d", Bcd(pgc->playback_time.hour),
                      Bcd(pgc->playback_time.minute), Bcd(pgc->playback_time.second));
        Put(out.length, length);
    }
    if (mat) {
        const bool pal = mat->vts_video_attr.video_format == 1;
        Put(out.frameRate, pal ? "25" : "29.97");
        static const int widths[] = {720, 704, 352, 352};
        char size[32];
        std::snprintf(size, sizeof size, "%dx%d", widths[mat->vts_video_attr.picture_size & 3],
                      pal ? (mat->vts_video_attr.picture_size == 3 ? 288 : 576)
                          : (mat->vts_video_attr.picture_size == 3 ? 240 : 480));
        if (frameSize->empty())
            *frameSize = size;

        int audio = 0;
        for (int i = 0; i < std::min<int>(mat->nr_of_vts_audio_streams, 8) && audio < 32; ++i) {
            if (pgc && !(pgc->audio_control[i] & 0x8000))
                continue; // not in this title
            const audio_attr_t& a = mat->vts_audio_attr[i];
            const int stream = pgc ? (pgc->audio_control[i] >> 8) & 7 : i;
            const int base = qv::AudioBaseOfFormat(a.audio_format);
            char format[96];
            std::snprintf(format, sizeof format, "%s %dch %dHz", FormatName(a.audio_format),
                          a.channels + 1, a.sample_frequency == 1 ? 96000 : 48000);
            qv::DvdAudioEntry& e = out.audio[audio++];
            Put(e.language, LanguageName(a.lang_type == 1 ? a.lang_code : 0));
            Put(e.format, format);
            e.streamId = (base < 0 ? qv::kAc3Base : base) + stream;
        }
        out.audioCount = audio;

        int subtitles = 0;
        for (int i = 0; i < std::min<int>(mat->nr_of_vts_subp_streams, 32) && subtitles < 32; ++i) {
            if (pgc && !(pgc->subp_control[i] & 0x80000000))
                continue;
            const subp_attr_t& s = mat->vts_subp_attr[i];
            qv::DvdSubtitleEntry& e = out.subtitles[subtitles++];
            Put(e.label, LanguageName(s.type == 1 ? s.lang_code : 0));
            e.streamId = pgc ? qv::SubpictureStream(pgc->subp_control[i],
                                                    mat->vts_video_attr.display_aspect_ratio)
                             : i;
        }
        out.subtitleCount = subtitles;
    }
    ifoClose(vts);
}

// Reads the disc in this process.
int ReadHere(const char* path, qv::DvdInfoBlock* block) {
    // libdvdread's own notes ("Couldn't find device name." for every
    // folder) would land on the caller's terminal; its failures come back as
    // results.
    static const dvd_logger_cb quiet = {[](void*, dvd_logger_level_t, const char*, va_list) {}};
    dvd_reader_t* dvd = DVDOpen2(nullptr, &quiet, path);
    if (!dvd)
        return 1;
    ifo_handle_t* vmg = ifoOpen(dvd, 0);
    if (!vmg || !vmg->tt_srpt) {
        if (vmg)
            ifoClose(vmg);
        DVDClose(dvd);
        return 2;
    }
    const int count = std::min<int>(vmg->tt_srpt->nr_of_srpts, qv::kMaxDvdTitles);
    block->titleCount = count;
    std::string frameSize;
    for (int t = 0; t < count; ++t)
        ReadTitle(dvd, vmg->tt_srpt->title[t], block->titles[t], &frameSize);
    Put(block->frameSize, frameSize);
    ifoClose(vmg);
    DVDClose(dvd);
    return 0;
}

} // namespace

int qv::ReadDvdStructureInProcess(const char* path, qv::DvdInfoBlock* block) {
    return path && block ? ReadHere(path, block) : 1;
}

extern "C" int ReadDvdStructure(char* path, qv::DvdInfoBlock* block) {
    if (!path || !block)
        return 1;
    if (qv::CancelRequested(block->cancel))
        return 3;
    // libdvdread can crash on damaged IFO files (a double free when the
    // title table is corrupt). The disc is read in a child process, so a
    // damaged disc is an error code, not the program's end.
    const std::string where = path;
    const auto started = std::chrono::steady_clock::now();
    const int result = qv::RunInForkedChild<qv::DvdInfoBlock>(
        qv::kDiscSurveyLimitMs, &block->cancel,
        [&where](qv::DvdInfoBlock& read) { return ReadHere(where.c_str(), &read); },
        [block](const qv::DvdInfoBlock& read) {
            // All but the cancel flag, which the caller may be setting meanwhile.
            constexpr size_t from = offsetof(qv::DvdInfoBlock, unused0);
            std::memcpy(reinterpret_cast<char*>(block) + from,
                        reinterpret_cast<const char*>(&read) + from, sizeof *block - from);
        });
    if (result != qv::kForkedChildFailed)
        return result;
    const auto took = std::chrono::steady_clock::now() - started;
    return !qv::CancelRequested(block->cancel) &&
                   took >= std::chrono::milliseconds(qv::kDiscSurveyLimitMs)
               ? 4
               : 3;
}
