#pragma once

// The command line of quorvane-cli, read into a plain description of what
// it is asked to do.

#include "base/Result.h"

#include <string>
#include <vector>

namespace qv {

struct CliCommand {
    bool help = false;         // -h, --help: print the usage and do nothing else
    bool listProfiles = false; // --list-profiles
    std::string profile;       // -p, --profile
    std::string outputFolder;  // -o, --output
    std::string start, end;    // --start, --end: hh:mm:ss; empty: the file's own
    std::vector<std::string> files;
    std::string titlesOf;    // --titles PATH: list a DVD's titles
    std::string dvd;         // --dvd PATH: convert titles of this DVD
    std::vector<int> titles; // --title N (repeatable)
    int audio = 0;           // --audio K: the K-th track --titles lists; 0 the first
    int subtitle = 0;        // --subtitle K: the K-th subtitle burnt in; 0 none
    // --estimate: print each job's expected size and time; convert nothing
    // (an output folder may then be left out).
    bool estimate = false;
    // A file's tracks: --list-tracks FILE lists them; --subtitle-mode keep
    // keeps a file's --subtitle as a track instead of burning it in.
    std::string tracksOf;
    std::string subtitleMode = "burn";
};

// The usage text, ending with a newline.
const char* CliUsage();

// Reads the arguments (without the program's name) from left to right: a
// help flag ends the reading; an unknown option, an option without its value,
// a time not written hh:mm:ss, a number that is not one from 1 on, or a
// conversion without a profile, a folder or a file (or --dvd with --title)
// fails with the reason in one line.
Result<CliCommand> ReadCliArguments(const std::vector<std::string>& args);

// Whether a text is a time as hh:mm:ss (minutes and seconds below 60).
bool IsTimeText(const std::string& text);

} // namespace qv
