#pragma once

#include "OptionTable.h"

#include <set>
#include <string>
#include <utility>
#include <vector>

namespace quenzo {

// What the run needs to know besides the FFmpeg arguments.
struct Plan {
    std::vector<std::string> ffmpeg; // the whole FFmpeg command, program first
    bool streamsDvd = false;         // FFmpeg reads the title from its standard input
    bool hasVideo = false;
    bool hasAudio = false;
    int videoKbps = 0, audioKbps = 0; // for the progress line
    // Two passes (a target size): firstPass analyses the picture into the
    // pass log, ffmpeg then encodes with it.
    bool twoPass = false;
    std::vector<std::string> firstPass;
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
    double spanSeconds = 0;    // the length to be written; 0 when unknown
    std::string passLog;       // the pass log's path prefix, for two passes
    int pass = 0;              // 1 while translating the first of two passes
    // The first video stream's transfer ("smpte2084" for HDR10's PQ,
    // "arib-std-b67" for HLG); empty when unknown.
    std::string transfer;
    // The codec of each subtitle stream of the input, for -keep-tracks and
    // a file's -sid.
    std::vector<std::string> subtitleCodecs;
    int audioTracks = -1; // the file's audio streams, for its -aid; -1 when unknown
    // The file's creation time as its tags state it; FFmpeg leaves it out
    // of the tags it copies.
    std::string creationTime;
};

// Translates the job into one FFmpeg run. On a fault returns false with a
// reason. "ffmpeg" is the program to run.
bool Translate(const EncodeJob& job, const InputFacts& facts, const std::string& ffmpeg, Plan& plan,
               std::string* error);

// Names the options give, each with the FFmpeg name it stands for; several
// names may stand for one.
using NameTable = std::vector<std::pair<std::string, std::string>>;

const NameTable& LavcVideoCodecs(); // -lavcopts vcodec=
const NameTable& LavcAudioCodecs(); // -lavcopts acodec=
const NameTable& LavfFormats();     // -lavfopts format=, else the output's extension
const NameTable& MpegFormats();     // -mpegopts format=
const NameTable& RawVideoFormats(); // a video stream's codec: the format of -of rawvideo
const NameTable& RawAudioFormats(); // an audio stream's codec: the format of -of rawaudio

// Whether a transfer is a high dynamic range's (PQ or HLG).
bool IsHdrTransfer(const std::string& transfer);

// The FFmpeg video encoders that are handed 8-bit 4:2:0 pictures.
const std::set<std::string>& Yuv420Encoders();

// A filter of -vf or -af: the names it is given by, its translation into
// FFmpeg filters and its documentation.
struct FilterKind {
    std::vector<std::string> names;
    bool (*translate)(const Filter& f, std::vector<std::string>& out, std::string* error);
    std::vector<DocRow> rows;
};
const std::vector<FilterKind>& VideoFilters();
const std::vector<FilterKind>& AudioFilters();

} // namespace quenzo
