#include "EncoderCommand.h"
#include "Number.h"

#include "OutputFile.h"
#include "TextEncoding.h"
#include "base/PathText.h"
#include "platform/CommandLine.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <sys/stat.h>

namespace qv {

namespace {

std::string WithColon(const std::string& options) {
    return options.empty() ? std::string() : ":" + options;
}

std::string N(int v) {
    return std::to_string(v);
}

// Reads a frame-rate text as a single-precision number; false when it holds
// no number at all.
bool ReadRate(const std::string& text, float* value) {
    const std::optional<double> v = LeadingNumber(text);
    if (!v)
        return false;
    *value = static_cast<float>(*v);
    return true;
}

// A file's chosen tracks, counted from 0 within their kind as the player
// numbers them.
std::string FileTracks(const CMediaRecord& job) {
    std::string text;
    if (job.audioIndex >= 0 && job.audioIndex < static_cast<int>(job.audioTracks.size()))
        text += " -aid " + N(job.audioTracks[job.audioIndex].streamId);
    if (job.subtitleIndex >= 0 && job.subtitleIndex < static_cast<int>(job.subtitleTracks.size())) {
        text += " -sid " + N(job.subtitleTracks[job.subtitleIndex].streamId);
        if (job.keepSubtitle != 0)
            text += " -keep-sid";
    }
    return text;
}

void BuildSource(EncoderCommand& c, const CMediaRecord& job, const EngineSettings& settings) {
    if (job.kind != KindDvdTitle) {
        c.Source = QuotePath(job.sourcePath) + FileTracks(job);
        c.McParam = "-mc 0";
        return;
    }
    std::string device = job.sourcePath;
    if (!device.empty() && (device.back() == '/' || device.back() == '\\') && device.size() > 1)
        device.pop_back();
    bool nav = settings.DVDAccess == 3 || (settings.DVDAccess == 1 && job.manyTitles != 0);
    c.Source =
        "-dvd-device " + QuotePath(device) + (nav ? " dvdnav://" : " dvd://") + N(job.titleNumber);
    if (job.subtitleIndex >= 0 && job.subtitleIndex < static_cast<int>(job.subtitleTracks.size()))
        c.Source += " -sid " + N(job.subtitleTracks[job.subtitleIndex].streamId);
    if (job.audioIndex >= 0 && job.audioIndex < static_cast<int>(job.audioTracks.size()))
        c.Source += " -aid " + N(job.audioTracks[job.audioIndex].streamId);
    c.McParam = "-mc 0.1";
}

void BuildCodecs(EncoderCommand& c, const ProfileRecord& p, const EngineSettings& settings) {
    const std::string chosenVideo = FieldText(p.videoCodec);
    const std::string chosenAudio = FieldText(p.audioCodec);
    const VideoCodecEntry& v = p.videoCodecs[FindVideoCodecEntry(p, chosenVideo)];
    const AudioCodecEntry& a = p.audioCodecs[FindAudioCodecEntry(p, chosenAudio)];

    const std::string vFamily = Lower(FieldText(v.family));
    const std::string vOptions = WithColon(FieldText(v.options));
    std::string threads;
    if (settings.MultiThread != 0 && p.noThreads == 0) {
        if (vFamily == "x264")
            threads = ":threads=0";
        else if (vFamily == "lavc" || vFamily == "xvid")
            threads = ":threads=2";
    }
    if (vFamily == "x264")
        c.VCodes = " -ovc x264 -ffourcc H264 -x264encopts bitrate=" + N(p.videoBitRate) + vOptions +
                   threads;
    else if (vFamily == "lavc")
        c.VCodes = " -ovc lavc -lavcopts vcodec=" + chosenVideo + ":vbitrate=" + N(p.videoBitRate) +
                   vOptions + threads;
    else if (vFamily == "xvid")
        c.VCodes = " -ovc xvid -xvidencopts bitrate=" + N(p.videoBitRate) + vOptions + threads;
    else if (vFamily == "copy")
        c.VCodes = " -ovc copy";

    const std::string aFamily = Lower(FieldText(a.family));
    const std::string aOptions = WithColon(FieldText(a.options));
    if (aFamily == "faac")
        c.ACodes = " -oac faac -faacopts br=" + N(p.audioBitRate) + ":mpeg=4:object=2";
    else if (aFamily == "lavc")
        c.ACodes = " -oac lavc -lavcopts acodec=" + chosenAudio + ":abitrate=" + N(p.audioBitRate) +
                   aOptions;
    else if (aFamily == "mp3lame")
        c.ACodes = " -oac mp3lame -lameopts cbr:br=" + N(p.audioBitRate) +
                   ":mode=" + N(p.channels == 1 ? 3 : 0) + aOptions;
    else if (aFamily == "pcm")
        c.ACodes = " -oac pcm";
    else if (aFamily == "copy")
        c.ACodes = " -oac copy";
}

void BuildVideoFilter(EncoderCommand& c, const CMediaRecord& job, const ProfileRecord& p,
                      const EngineSettings& s) {
    const int W = p.width, H = p.height;
    if (W == -1 || H == -1) {
        c.VFilter = " -vf-add scale=" + N(job.width) + ":" + N(job.height);
    } else {
        if (s.FitWidth == 0 && s.FitHeight == 0) {
            c.VFilter = " -vf-add scale=" + N(W) + ":" + N(H);
        } else if (s.FitWidth != 0) {
            std::string scale = " -vf-add scale=" + N(W) + (s.RoundTo16Pix ? ":-10" : ":-2");
            c.VFilter = s.ExpandToVideoSize
                            ? scale + ",expand=:" + N(H) + ":::,crop=" + N(W) + ":" + N(H)
                            : scale;
        } else {
            std::string scale =
                std::string(" -vf-add scale=") + (s.RoundTo16Pix ? "-10:" : "-2:") + N(H);
            c.VFilter = s.ExpandToVideoSize
                            ? scale + ",expand=" + N(W) + ",crop=" + N(W) + ":" + N(H)
                            : scale;
        }
        const std::string zoom = Lower(FieldText(p.zoomMode));
        if (zoom == "fullscreen") {
            // The whole picture stretched over the frame.
            c.VFilter = " -vf-add scale=" + N(W) + ":" + N(H);
        } else if (zoom == "panscale" && job.width > 0 && job.height > 0) {
            // The frame filled at the picture's shape; what stands out of it
            // on the long side is cut off, centred.
            const double cover =
                std::max(static_cast<double>(W) / job.width, static_cast<double>(H) / job.height);
            auto even = [cover](int side, int least) {
                return std::max(least, 2 * static_cast<int>(std::lround(side * cover / 2)));
            };
            c.VFilter = " -vf-add scale=" + N(even(job.width, W)) + ":" + N(even(job.height, H)) +
                        ",crop=" + N(W) + ":" + N(H);
        } else if (FieldText(p.videoCodec) == "h263") {
            c.VFilter =
                s.FitWidth != 0
                    ? "-vf scale=" + N(W) + ":-2,expand=:" + N(H) + ":::,crop=" + N(W) + ":" + N(H)
                    : "-vf scale=-2:" + N(H) + ",expand=" + N(W) + ",crop=" + N(W) + ":" + N(H);
        }
    }
    const VideoCodecEntry& v = p.videoCodecs[FindVideoCodecEntry(p, FieldText(p.videoCodec))];
    const std::string extra = FieldText(v.filters);
    if (!extra.empty())
        c.VFilter += "," + extra;
    if (job.frameMode == "Frame doubling")
        c.VFilter += ",yadif=3";
}

void BuildAudioFilter(EncoderCommand& c, const ProfileRecord& p) {
    const std::string chosen = FieldText(p.audioCodec);
    if (chosen == "libamr_nb" || chosen == "libamr_wb")
        c.AFilter = "-af volnorm,lavcresample=" + N(p.sampleRate) + ",channels=" + N(p.channels);
    else
        c.AFilter = "-af volnorm";
    const AudioCodecEntry& a = p.audioCodecs[FindAudioCodecEntry(p, chosen)];
    // One channel: the MP3 codec options say so (mode 3), the other codecs'
    // options cannot, and the encoder's default is two.
    if (p.channels == 1 && c.AFilter == "-af volnorm" && Lower(FieldText(a.family)) != "mp3lame")
        c.AFilter += ",channels=1";
    const std::string extra = FieldText(a.filters);
    if (!extra.empty())
        c.AFilter += "," + extra;
}

void BuildRates(EncoderCommand& c, const CMediaRecord& job, const ProfileRecord& p) {
    c.SrateParam = "-srate " + N(p.sampleRate);

    if (job.trimStart != "00:00:00")
        c.SeekParam = " -ss " + job.trimStart;
    if (job.trimEnd != job.fullLength)
        c.SeekParam += " -endpos " + N(JobLengthSeconds(job));

    std::string rate = FieldText(p.frameRate);
    if (rate == "Auto")
        rate = job.frameRate;
    if (FieldText(p.outputFormat) == "wmv") {
        if (job.kind == KindDvdTitle) {
            rate = "23.97";
        } else {
            float source, chosen;
            // A comparison with a NaN is false, which leaves the rate alone.
            if (ReadRate(job.frameRate, &source) && ReadRate(rate, &chosen) && source < chosen)
                rate = job.frameRate;
        }
    }
    c.frameRate = rate;
    if (rate == "29.97")
        c.FpsParam = "-ofps 30000/1001";
    else if (rate == "23.97")
        c.FpsParam = "-ofps 24000/1001";
    else
        c.FpsParam = "-ofps " + rate;
}

void BuildOutput(EncoderCommand& c, CMediaRecord& job, const ProfileRecord& p,
                 const std::string& outputFolder) {
    if (IsRemuxFormat(FieldText(p.outputFormat))) {
        // The intermediate file gets a free name too: a file of the user's
        // that happens to bear it must not be overwritten and then deleted.
        c.encoderOutputPath =
            MakeUniquePath(WithSlash(outputFolder) + "tmp_" + job.baseName + ".avi");
        job.outputPath = MakeUniquePath(OutputBasePath(job, p, outputFolder));
    } else {
        c.encoderOutputPath = MakeUniquePath(OutputBasePath(job, p, outputFolder));
        job.outputPath = c.encoderOutputPath;
    }
    c.OutParam = "-o " + QuotePath(c.encoderOutputPath);
}

// The fragments of the command line in their order.
std::vector<const std::string*> Fragments(const EncoderCommand& c, const ProfileRecord& profile) {
    if (profile.IsAudioOnly())
        return {&c.SeekParam, &c.SrateParam, &c.AFilter, &c.MuxOf,
                &c.ACodes,    &c.VCodes,     &c.Source,  &c.OutParam};
    return {&c.McParam, &c.ExParam, &c.SeekParam, &c.FpsParam, &c.SrateParam, &c.AFilter,
            &c.VFilter, &c.MuxOf,   &c.ACodes,    &c.VCodes,   &c.Source,     &c.OutParam};
}

void ComposeCommandLine(EncoderCommand& c, const ProfileRecord& profile,
                        const std::string& programFolder) {
    std::string line = QuotePath(programFolder + "codecs/quenzo");
    for (const std::string* f : Fragments(c, profile)) {
        line += ' ';
        line += *f;
    }
    c.commandLine = std::move(line);
}

} // namespace

std::string OutputBasePath(const CMediaRecord& job, const ProfileRecord& profile,
                           const std::string& outputFolder) {
    const std::string format = FieldText(profile.outputFormat);
    return WithSlash(outputFolder) + job.baseName + "." + (IsRemuxFormat(format) ? "mp4" : format);
}

bool IsRemuxFormat(std::string_view outputFormat) {
    return outputFormat == "ipod_h264" || outputFormat == "ipod_mpeg4";
}

std::string MakeUniquePath(const std::string& path) {
    // A name whose ".partial" exists belongs to a job that is writing it.
    for (unsigned n = 0;; ++n) {
        std::string candidate = NumberedPath(path, n);
        if (!PathExists(candidate) && !PathExists(candidate + kPartialSuffix))
            return candidate;
    }
}

EncoderCommand BuildEncoderCommand(CMediaRecord& job, const ProfileRecord& profile,
                                   const EngineSettings& settings, const std::string& outputFolder,
                                   const std::string& programFolder) {
    EncoderCommand c;
    BuildSource(c, job, settings);
    BuildCodecs(c, profile, settings);
    BuildVideoFilter(c, job, profile, settings);
    BuildAudioFilter(c, profile);
    BuildRates(c, job, profile);
    c.MuxOf = FieldText(profile.muxerOptions);
    c.ExParam = FieldText(profile.extraParams);
    BuildOutput(c, job, profile, outputFolder);
    ComposeCommandLine(c, profile, programFolder);
    return c;
}

Result<std::vector<std::string>> EncoderArguments(const EncoderCommand& c,
                                                  const ProfileRecord& profile,
                                                  const std::string& programFolder) {
    // Each fragment is split on its own: a stray quote in profile text can
    // then never reach the paths, and a fragment that ends inside a quote
    // is refused rather than guessed at.
    std::vector<std::string> argv(1, programFolder + "codecs/quenzo");
    for (const std::string* f : Fragments(c, profile)) {
        bool unmatched = false;
        std::vector<std::string> args = SplitCommandLine(*f, &unmatched);
        if (unmatched)
            return Status::Fail("the profile's settings hold an unmatched quote: " + *f);
        argv.insert(argv.end(), args.begin(), args.end());
    }
    return argv;
}

void SetEncoderOutput(EncoderCommand& c, const ProfileRecord& profile,
                      const std::string& programFolder, const std::string& path) {
    c.encoderOutputPath = path;
    c.OutParam = "-o " + QuotePath(path);
    ComposeCommandLine(c, profile, programFolder);
}

} // namespace qv
