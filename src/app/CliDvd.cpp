#include "CliDvd.h"

#include "CliArguments.h"
#include "DvdInfoBlock.h"
#include "dranvel/Dranvel.h"
#include "dvd/DvdScan.h"

#include <algorithm>
#include <cstring>
#include <sys/stat.h>

namespace qv {

namespace {

PreparedScan ScanOf(const CliDvd& dvd) {
    return PrepareScan(DvdSource{dvd.drive, dvd.path, ""});
}

} // namespace

Result<CliDvd> ReadCliDvd(const std::string& path) {
    CliDvd dvd;
    dvd.path = path;
    struct stat st;
    dvd.drive = ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
    dvd.block = std::make_shared<DvdInfoBlock>();
    std::memset(dvd.block.get(), 0, sizeof(DvdInfoBlock));
    const PreparedScan scan = ScanOf(dvd);
    // A path that is not there or does not open is said so without reading.
    const DvdPathFacts facts = DvdPathFactsOf(scan.sourcePath);
    if (!facts.named || facts.statError || facts.openError)
        return Result<CliDvd>::Fail(
            DvdProblemText(DiagnoseDvd(facts, DvdScanOutcome{1, 0, false, 0, 0}, 0), path));
    DvdScanOutcome outcome;
    std::string where = scan.scanPath;
    outcome.readResult = where.empty() ? 1 : ReadDvdStructure(where.data(), dvd.block.get());
    outcome.titles = outcome.readResult == 0 ? std::clamp(dvd.block->titleCount, 0, 99) : 0;
    const DvdDiagnosis why = DiagnoseDvdScan(scan, outcome, outcome.titles);
    if (why.problem != DvdProblem::None)
        return Result<CliDvd>::Fail(DvdProblemText(why, path));
    return dvd;
}

std::string DvdTitleLines(const DvdInfoBlock& block) {
    std::string lines;
    const int count = std::clamp(block.titleCount, 0, kMaxDvdTitles);
    for (int t = 1; t <= count; ++t) {
        const DvdTitleRecord& title = block.titles[t - 1];
        std::string audio, subtitles;
        for (int a = 0; a < std::clamp(title.audioCount, 0, 32); ++a)
            audio += (a ? ", " : "") + std::to_string(a + 1) + " " +
                     FieldText(title.audio[a].language) + " " + FieldText(title.audio[a].format);
        for (int s = 0; s < std::clamp(title.subtitleCount, 0, 32); ++s)
            subtitles +=
                (s ? ", " : "") + std::to_string(s + 1) + " " + FieldText(title.subtitles[s].label);
        lines += std::to_string(t) + "\t" + FieldText(title.length) + "\t" +
                 (audio.empty() ? "-" : audio) + "\t" + (subtitles.empty() ? "-" : subtitles) +
                 "\n";
    }
    return lines;
}

Result<std::vector<std::unique_ptr<CMediaRecord>>> DvdTitleJobs(const CliDvd& dvd,
                                                                const CliCommand& command) {
    using Jobs = std::vector<std::unique_ptr<CMediaRecord>>;
    DvdInfoBlock& block = *dvd.block;
    const int count = std::clamp(block.titleCount, 0, kMaxDvdTitles);
    for (int t = 0; t < count; ++t)
        block.titles[t].selected = 0;
    for (int t : command.titles) {
        if (t > count)
            return Result<Jobs>::Fail("the DVD has no title " + std::to_string(t) + " (it has " +
                                      std::to_string(count) + ")");
        block.titles[t - 1].selected = 1;
    }
    DvdSources sources = DvdSourcesOf(block, ScanOf(dvd));
    Jobs jobs;
    // In the order asked for, each title once.
    for (int t : command.titles) {
        auto it = std::find_if(sources.titles.begin(), sources.titles.end(),
                               [t](const auto& r) { return r && r->titleNumber == t; });
        if (it == sources.titles.end())
            continue;
        CMediaRecord& r = **it;
        const std::string which = "title " + std::to_string(t);
        if (command.audio > static_cast<int>(r.audioTracks.size()))
            return Result<Jobs>::Fail(which + " has " + std::to_string(r.audioTracks.size()) +
                                      " audio tracks, not " + std::to_string(command.audio));
        if (command.subtitle > static_cast<int>(r.subtitleTracks.size()))
            return Result<Jobs>::Fail(which + " has " + std::to_string(r.subtitleTracks.size()) +
                                      " subtitles, not " + std::to_string(command.subtitle));
        if (command.audio > 0)
            r.audioIndex = command.audio - 1;
        r.subtitleIndex = command.subtitle - 1;
        if (!command.start.empty())
            r.trimStart = command.start;
        if (!command.end.empty())
            r.trimEnd = command.end;
        jobs.push_back(std::move(*it));
    }
    return jobs;
}

} // namespace qv
