#pragma once

#include <string>

namespace qv {

// What the encoder's output says, read a chunk at a time as it arrives.

// The position in a chunk: true when the chunk holds "Pos:" with an "s"
// somewhere after it; *rest is the text after the first "Pos:".
bool ChunkPosition(const std::string& chunk, std::string* rest);

// The seconds of a position: the number before the first "s" of rest, blanks
// trimmed. Never negative and never beyond a hundred hours, so that it can
// be turned into a percentage; 0 when it is no number.
float PositionSeconds(const std::string& rest);

// Whether the chunk holds the encoder's give-up marker; *reason is the rest
// of the marker's line, blanks trimmed (empty when it gives none).
bool ChunkGiveUp(const std::string& chunk, std::string* reason);

} // namespace qv
