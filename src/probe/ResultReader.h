#pragma once

namespace qv {

// Lets the engine check every result with the media probe (libmediainfo).
// Called once at start-up by whatever runs jobs.
void UseMediaProbeForResults();

} // namespace qv
