#include "ResultReader.h"

#include "MediaProbe.h"
#include "engine/ResultCheck.h"

namespace qv {

void UseMediaProbeForResults() {
    SetMediaReader([](const std::string& path, MediaFacts& facts) {
        ProbeResult p;
        if (!MediaInfoLibrary::Default().ReadStreams(path, p))
            return false;
        facts.seconds = p.seconds;
        facts.videoSeconds = p.videoSeconds;
        facts.audioSeconds = p.audioSeconds;
        facts.videoStreams = p.videoStreams;
        facts.audioStreams = p.audioStreams;
        facts.audioChannels = p.audioChannels;
        facts.width = p.frameWidth;
        facts.height = p.frameHeight;
        facts.format = p.format;
        return true;
    });
}

} // namespace qv
