#pragma once

// quorvane-cli's side of a file's tracks: the lines of --list-tracks, and the
// audio track and subtitle --audio, --subtitle and --subtitle-mode choose.

#include "base/Result.h"

#include <string>

namespace qv {

struct CliCommand;
struct ProbeResult;
class CMediaRecord;

// One line per track, audio first, each kind numbered from 1 as --audio and
// --subtitle take them: "audio<TAB>K<TAB>language<TAB>AAC 2ch 48000Hz" and
// "subtitle<TAB>K<TAB>language<TAB>text (UTF-8)" or "picture (VobSub)", with
// "<TAB>default" after a default-flagged track.
std::string FileTrackLines(const ProbeResult& probe);

// The tracks a command chooses for a file source filled from the probe; a
// track the file lacks fails with the reason.
Status ChooseFileTracks(CMediaRecord& job, const ProbeResult& probe, const CliCommand& command);

} // namespace qv
