#pragma once

#include "JobModel.h"

#include <string>

namespace qv {

// The pieces of one encoder run. The fragment names are also the labels of
// the error record when the encoder gives up.
struct EncoderCommand {
    std::string commandLine;
    std::string encoderOutputPath; // what the encoder writes ("-o")
    std::string frameRate;         // the output frame-rate text chosen

    std::string Source, McParam, VCodes, ACodes, VFilter, AFilter, SrateParam, SeekParam, FpsParam,
        MuxOf, ExParam, OutParam;
};

// Builds the encoder command line of one job and decides its output path,
// which it also writes into job.outputPath. outputFolder may lack its "/";
// programFolder ends with "/".
EncoderCommand BuildEncoderCommand(CMediaRecord& job, const ProfileRecord& profile,
                                   const EngineSettings& settings, const std::string& outputFolder,
                                   const std::string& programFolder);

// The path itself when nothing exists there, else the first free variant
// "stem(n).ext" counting n from 1.
std::string MakeUniquePath(const std::string& path);

// Whether the output format needs the MP4 remux step.
bool IsRemuxFormat(std::string_view outputFormat);

} // namespace qv
