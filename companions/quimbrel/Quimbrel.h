#pragma once

// The log service: one entry per call, from any thread, never blocking for
// long and never failing visibly. Entries land in "LogFile/<date>.log" beside
// the library (or in $QUORVANE_LOG_DIR), UTF-8, each with a local time stamp;
// logs older than 30 days are removed.
extern "C" {
__attribute__((visibility("default"))) void WriteLogLine(const char* text);
}
