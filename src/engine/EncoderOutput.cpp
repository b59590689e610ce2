#include "EncoderOutput.h"
#include "Number.h"

#include <cmath>
#include <cstdlib>

namespace qv {

namespace {

const char kGiveUp[] = "退出..";
constexpr float kLongestPosition = 100.0f * 3600.0f;

} // namespace

bool ChunkPosition(const std::string& chunk, std::string* rest) {
    size_t pos = chunk.find("Pos:");
    if (pos == std::string::npos)
        return false;
    *rest = chunk.substr(pos + 4);
    return !rest->empty() && rest->find('s') != std::string::npos;
}

float PositionSeconds(const std::string& rest) {
    const float seconds =
        static_cast<float>(NumberOr(std::string_view(rest).substr(0, rest.find('s'))));
    // "nan", "inf" or a wild number would make no percentage.
    if (!std::isfinite(seconds) || seconds < 0)
        return 0;
    return seconds > kLongestPosition ? kLongestPosition : seconds;
}

bool ChunkGiveUp(const std::string& chunk, std::string* reason) {
    const size_t at = chunk.find(kGiveUp);
    if (at == std::string::npos)
        return false;
    const std::string rest = chunk.substr(at + sizeof kGiveUp - 1);
    const size_t first = rest.find_first_not_of(" \t");
    if (first == std::string::npos) {
        reason->clear();
        return true;
    }
    const size_t end = rest.find_first_of("\r\n", first);
    *reason = rest.substr(first, end == std::string::npos ? std::string::npos : end - first);
    return true;
}

} // namespace qv
