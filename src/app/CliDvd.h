#pragma once

// quorvane-cli's DVD side: a disc's titles as lines, and the titles asked
// for as jobs of the batch.

#include "CliPresenter.h"
#include "base/Result.h"
#include "engine/JobModel.h"

#include <memory>
#include <string>
#include <vector>

namespace qv {

struct DvdInfoBlock;
struct CliCommand;

// A DVD read for the command line: the path as given, the block, and what a
// scan of the same path would call its source.
struct CliDvd {
    std::string path;
    std::shared_ptr<DvdInfoBlock> block;
    bool drive = false;
};

// Reads a drive (a device) or a folder; on failure the reason a user reads
// (the same as the window's).
Result<CliDvd> ReadCliDvd(const std::string& path);

// One line per title: "N<TAB>hh:mm:ss<TAB>audio<TAB>subtitles", the tracks
// numbered from 1 as --audio and --subtitle take them, "1 English AC3 2ch
// 48000Hz, 2 ..." ("-" for none).
std::string DvdTitleLines(const DvdInfoBlock& block);

// The jobs of --dvd with its --title, --audio, --subtitle, --start and --end;
// a title the disc lacks, or a track the title lacks, fails with the reason.
Result<std::vector<std::unique_ptr<CMediaRecord>>> DvdTitleJobs(const CliDvd& dvd,
                                                                const CliCommand& command);

} // namespace qv
