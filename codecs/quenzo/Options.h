#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace quenzo {

// "a=1:b:c=x": the sub-options of one option, in order; later ones of the
// same key replace earlier ones, also across repeated options.
struct SubOptions {
    std::vector<std::pair<std::string, std::optional<std::string>>> items;

    void Merge(const std::string& text);
    bool Has(const std::string& key) const;
    std::optional<std::string> Get(const std::string& key) const;
};

// One filter of a -vf or -af chain: "scale=640:-2" -> {"scale", {"640", "-2"}}.
struct Filter {
    std::string name;
    std::vector<std::string> args;
};

// What one run of the encoder is asked to do, in MEncoder's terms.
struct EncodeJob {
    std::string inputFile;
    bool dvd = false;
    std::string dvdDevice;
    int dvdTitle = 0;
    int aid = -1;
    int sid = -1;

    std::optional<double> startSeconds;   // -ss
    std::optional<double> lengthSeconds;  // -endpos as a time
    std::optional<long long> lengthBytes; // -endpos as a size
    std::optional<long> frames;           // -frames
    std::string ofps;                     // "30000/1001", "25" ...
    int srate = 0;
    int channels = 0;
    std::string aspect;

    std::vector<Filter> videoFilters, audioFilters;

    std::string ovc, oac; // "" when not given
    SubOptions x264, xvid, lavc, lame, faac;
    bool nosound = false;
    bool keepTracks = false; // every audio and subtitle track, not the first audio only
    bool keepSid = false;    // the -sid subtitle kept as a track where the container carries it
    std::string fourcc;

    std::string of = "avi";
    SubOptions lavf, mpeg;
    std::string output;
    bool dryRun = false; // -quenzo-dry-run: print the FFmpeg command, run nothing
};

// Parses the arguments after the program name. On a fault returns false and
// a reason a user can act on.
bool ParseArguments(const std::vector<std::string>& args, EncodeJob& job, std::string* error);

// "01:02:03.5", "62:03", "3723.5" -> seconds; empty when not a time.
std::optional<double> ParseTime(const std::string& text);

} // namespace quenzo
