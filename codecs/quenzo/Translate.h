#pragma once

#include "Options.h"

#include <string>
#include <vector>

namespace quenzo {

// What the run needs to know besides the FFmpeg arguments.
struct Plan {
    std::vector<std::string> ffmpeg; // the whole FFmpeg command, program first
    bool streamsDvd = false;         // FFmpeg reads the title from its standard input
    bool hasVideo = false;
    bool hasAudio = false;
    int videoKbps = 0, audioKbps = 0; // for the progress line
};

// Facts about the input that the translation needs and the options cannot
// tell; filled by probing when an option needs them.
struct InputFacts {
    std::string videoCodec; // for copying a stream into a raw file
    std::string audioCodec;
    std::string dvdPalette;    // the title set's IFO file, for subtitles
    int audioChannels = 0;     // of the audio stream read; 0 when unknown
    bool stillPicture = false; // the first video stream is cover art, one picture
    double soundSeconds = 0;   // the first audio stream's length; 0 when unknown
    double variableRate = 0;   // a variable-rate picture's average rate; 0 when constant
};

// Translates the job into one FFmpeg run. On a fault returns false with a
// reason. "ffmpeg" is the program to run.
bool Translate(const EncodeJob& job, const InputFacts& facts, const std::string& ffmpeg, Plan& plan,
               std::string* error);

// The MEncoder option table: option, FFmpeg translation. Printed by the
// tool's -quenzo-options and kept in the README.
const std::vector<std::pair<std::string, std::string>>& OptionTable();

} // namespace quenzo
