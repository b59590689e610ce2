#pragma once

#include "JobModel.h"

#include <string>
#include <vector>

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

// The result's name before it is made unique: folder, base name and the
// format's extension.
std::string OutputBasePath(const CMediaRecord& job, const ProfileRecord& profile,
                           const std::string& outputFolder);

// The encoder's argument list: each fragment split on its own, so that no
// profile text can change how the paths are split. Fails with the reason
// when a fragment cannot be split (an unmatched quote).
Result<std::vector<std::string>> EncoderArguments(const EncoderCommand& command,
                                                  const ProfileRecord& profile,
                                                  const std::string& programFolder);

// Points the encoder's "-o" at path and composes the command line again.
void SetEncoderOutput(EncoderCommand& command, const ProfileRecord& profile,
                      const std::string& programFolder, const std::string& path);

// The path itself when nothing exists there, else the first free variant
// "stem(n).ext" counting n from 1. A name whose ".partial" file exists is
// not free: another job is writing it.
std::string MakeUniquePath(const std::string& path);

// Whether the output format needs the MP4 remux step.
bool IsRemuxFormat(std::string_view outputFormat);

} // namespace qv
