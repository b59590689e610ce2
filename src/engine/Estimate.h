#pragma once

// The size and encode time of a job before it runs. A profile that fixes its
// bit rates is reckoned from the rates and the span; one whose size follows
// the picture (a quality setting, a lossless or intra-only codec, a copied
// stream) is measured: a few short slices spread over the span go through
// the job's own encoder command line into a private folder, and their sizes
// and speed are scaled up to the span.

#include "JobModel.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// What a probe knows of the source beyond its record.
struct SourceStreams {
    bool video = true;
    bool audio = true;
    double seconds = 0; // the file's exact length; 0: unknown (the record's whole seconds serve)
};

enum class EstimateMethod {
    Rates,      // video and audio bit rates times the span
    TargetSize, // a two-pass target size: the rate the encoder derives from it
    Sample,     // a sample encode, scaled up
};

struct JobEstimate {
    EstimateMethod method = EstimateMethod::Rates;
    int64_t bytes = 0;
    double encodeSeconds = -1; // wall seconds the job is expected to take; -1: unknown
    double sampledSeconds = 0; // of the source, encoded for the sample
    double costSeconds = 0;    // wall seconds the sample took
    int slices = 0;
};

// How a job's size is estimated with this profile.
EstimateMethod EstimateMethodFor(const ProfileRecord& profile, const SourceStreams& streams);

// The share a container adds to its streams' bytes.
double ContainerOverhead(std::string_view outputFormat);

// The span's length in seconds: the exact length of an untrimmed file where
// it is known, else the trim's whole seconds.
double EstimateSpan(const CMediaRecord& job, const SourceStreams& streams);

// The size from the profile's rates (Rates and TargetSize methods). Fails
// with the reason for a span a target size cannot hold, or a profile whose
// size its rates do not fix.
Result<int64_t> RateEstimate(const CMediaRecord& job, const ProfileRecord& profile,
                             const SourceStreams& streams);

struct EstimateRequest {
    CMediaRecord job;
    ProfileRecord profile{};
    EngineSettings settings;
    std::string toolFolder; // the program folder, ending with "/"
    SourceStreams streams;
    // Also measure the speed (a sample even for a rate profile).
    bool wantTime = true;
    // The sample's wall time at most this share of the job's expected time
    // (at least one slice is always encoded).
    double budgetShare = 0.05;
    // Asked while a sample runs; true ends it, and the estimate fails.
    std::function<bool()> cancelled;
};

// Estimates one job. Every file the sample writes is gone when this returns,
// whatever ended it. Fails with the reason (the encoder's, or "cancelled").
Result<JobEstimate> EstimateJob(const EstimateRequest& request);

// What an estimate depends on, as one text: the source, its span, its chosen
// tracks, and the profile's fields that reach the encoder.
std::string EstimateKey(const CMediaRecord& job, const ProfileRecord& profile);

// A size for people: "850 KB", "12.4 MB", "1.32 GB" (1024-based).
std::string SizeText(int64_t bytes);

// The batch's remaining wall seconds from what it has done so far: weights
// holds each job's expected cost (an estimated encode time, or its span),
// done the jobs finished, fraction the running job's progress (0..1), and
// elapsed the wall seconds spent. -1 while too little is done to tell.
double RemainingSeconds(const std::vector<double>& weights, int done, double fraction,
                        double elapsed);

} // namespace qv
