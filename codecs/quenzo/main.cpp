// quenzo: an encoder that takes MEncoder's options and runs FFmpeg.
//
// It prints MEncoder's progress line "Pos: ...s ...f (..%) ..." ended by a
// carriage return several times a second; when it gives up it prints
// "退出.." with the reason and exits with a non-zero status. It exits with 0
// only when the output file was written completely.

#include "DvdTitle.h"
#include "Number.h"
#include "OptionTable.h"
#include "Options.h"
#include "Translate.h"

#include "platform/ToolRun.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

std::atomic<pid_t> g_ffmpeg{0};
std::string g_output; // set once the output file exists

void KeepPartial(const std::string& output);

void OnSignal(int sig) {
    pid_t pid = g_ffmpeg.load();
    if (pid > 0)
        ::kill(pid, SIGKILL);
    ::signal(sig, SIG_DFL);
    ::raise(sig);
}

void RemovePassFolder();

[[noreturn]] void GiveUp(const std::string& reason) {
    RemovePassFolder();
    if (!g_output.empty())
        KeepPartial(g_output);
    std::printf("\n退出.. %s\n", reason.c_str());
    std::fflush(stdout);
    std::exit(1);
}

std::string FolderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

void CheckInput(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        GiveUp("cannot open the input file \"" + path + "\": " + std::strerror(errno));
    if (S_ISDIR(st.st_mode))
        GiveUp("the input \"" + path + "\" is a folder, not a media file");
    if (::access(path.c_str(), R_OK) != 0)
        GiveUp("cannot read the input file \"" + path + "\": " + std::strerror(errno));
    if (st.st_size == 0 && S_ISREG(st.st_mode))
        GiveUp("the input file \"" + path + "\" is empty");
}

void CheckOutput(const std::string& path) {
    const std::string folder = FolderOf(path);
    struct stat st;
    if (::stat(folder.c_str(), &st) != 0)
        GiveUp("the output folder \"" + folder + "\" does not exist");
    if (!S_ISDIR(st.st_mode))
        GiveUp("\"" + folder + "\" is not a folder");
    struct statvfs vfs;
    if (::access(folder.c_str(), W_OK) != 0 ||
        (::statvfs(folder.c_str(), &vfs) == 0 && (vfs.f_flag & ST_RDONLY)))
        GiveUp("cannot write into the output folder \"" + folder + "\"");
    if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        GiveUp("the output \"" + path + "\" is a folder");
    // Creating the file is the one sure test; FFmpeg then writes over it.
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        GiveUp("cannot write \"" + path + "\": " + std::strerror(errno));
    ::close(fd);
    g_output = path;
}

// What ffprobe shows of a file (the entries, of the selected streams when
// stream is given), a line each; empty for what is not a plain file (a pipe
// would be read away).
std::string Ask(const std::string& file, const char* stream, const std::string& entries) {
    struct stat st;
    if (::stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return "";
    qv::ToolRun probe;
    probe.argv = {"ffprobe", "-v", "error"};
    if (stream)
        probe.argv.insert(probe.argv.end(), {"-select_streams", stream});
    probe.argv.insert(probe.argv.end(), {"-show_entries", entries, "-of", "csv=p=0", file});
    probe.process.mergeErrors = false;
    probe.process.ownGroup = false;
    std::string out;
    probe.output = [&out](std::string_view chunk) {
        out.append(chunk);
        return true;
    };
    qv::RunTool(probe); // one that cannot start says nothing
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r'))
        out.pop_back();
    return out;
}

// Properties of the selected streams, a line a stream.
std::string ProbeStreams(const std::string& file, const char* stream, const char* entries) {
    return Ask(file, stream, entries);
}

// A tag of the whole file; empty when it has none.
std::string ProbeFileTag(const std::string& file, const std::string& tag) {
    const std::string out = Ask(file, nullptr, "format_tags=" + tag);
    return out.substr(0, out.find('\n'));
}

// A property of the first selected stream.
std::string ProbeStream(const std::string& file, const char* stream, const char* entries) {
    const std::string out = ProbeStreams(file, stream, entries);
    return out.substr(0, out.find('\n'));
}

// The lines of a probe's answer, one a stream, in order.
std::vector<std::string> Lines(const std::string& out) {
    std::vector<std::string> lines;
    for (size_t at = 0; at < out.size();) {
        size_t nl = out.find('\n', at);
        if (nl == std::string::npos)
            nl = out.size();
        std::string line = out.substr(at, nl - at);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty())
            lines.push_back(line);
        at = nl + 1;
    }
    return lines;
}

// The folder of a two-pass run's pass log, removed with what is in it.
std::string g_passFolder;

void RemovePassFolder() {
    if (g_passFolder.empty())
        return;
    if (DIR* d = ::opendir(g_passFolder.c_str())) {
        while (dirent* e = ::readdir(d))
            if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
                ::unlink((g_passFolder + "/" + e->d_name).c_str());
        ::closedir(d);
    }
    ::rmdir(g_passFolder.c_str());
    g_passFolder.clear();
}

// Whether the job asks for a target size (x264encopts bitrate=-KB).
bool WantsTargetSize(const quenzo::EncodeJob& job) {
    const auto rate = job.x264.Get("bitrate");
    return job.ovc == "x264" && !job.x264.Has("crf") && rate && !rate->empty() && (*rate)[0] == '-';
}

// The length of the longest of the input's first video and first audio
// stream, those that are written; -1 when the input states neither. A
// source whose sound runs longer than its picture (or the reverse) is
// complete when each written stream reaches its own end.
double WrittenStreamsSeconds(const std::string& file, bool video, bool audio) {
    double longest = -1;
    for (const auto& [wanted, stream] : {std::pair{video, "v:0"}, std::pair{audio, "a:0"}}) {
        if (!wanted)
            continue;
        std::string text = ProbeStream(file, stream, "stream=duration:stream_tags=DURATION");
        // "2.000000" or "N/A", then Matroska's tag "00:00:02.021000000".
        std::optional<double> seconds;
        for (size_t from = 0; from <= text.size() && !seconds;) {
            size_t comma = text.find(',', from);
            if (comma == std::string::npos)
                comma = text.size();
            seconds = quenzo::ParseTime(text.substr(from, comma - from));
            from = comma + 1;
        }
        if (seconds && *seconds > 0)
            longest = std::max(longest, *seconds);
    }
    return longest;
}

// The average rate of a picture whose frames come at varying intervals (its
// base rate differs from its average), or 0.
double VariableRate(const std::string& file) {
    const std::string text = ProbeStream(file, "v:0", "stream=r_frame_rate,avg_frame_rate");
    // "30000/1001,24000/1001": the base rate, then the average.
    const size_t comma = text.find(',');
    if (comma == std::string::npos)
        return 0;
    auto fraction = [](std::string_view part) -> double {
        std::string_view rest;
        const double num = qv::LeadingNumber(part, &rest).value_or(0);
        if (rest.empty() || rest.front() != '/')
            return 0;
        const double den = qv::LeadingNumber(rest.substr(1)).value_or(0);
        return num > 0 && den > 0 ? num / den : 0;
    };
    const double base = fraction(std::string_view(text).substr(0, comma));
    const double average = fraction(std::string_view(text).substr(comma + 1));
    if (base <= 0 || average <= 0)
        return 0;
    return std::abs(base / average - 1) > 0.01 ? average : 0;
}

// The length an AVI file's stream headers state for the longest of the
// written kinds (its length times its scale over its rate), or -1. A cut AVI
// keeps these headers while FFmpeg, missing the index at the end, estimates
// its length from what is left.
double AviStatedLength(const std::string& file, bool video, bool audio) {
    struct stat st;
    if (::stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return -1; // a pipe would be read away
    unsigned char h[8192];
    FILE* f = std::fopen(file.c_str(), "rb");
    if (!f)
        return -1;
    const size_t n = std::fread(h, 1, sizeof h, f);
    std::fclose(f);
    auto le32 = [&h](size_t at) {
        return static_cast<uint32_t>(h[at]) | static_cast<uint32_t>(h[at + 1]) << 8 |
               static_cast<uint32_t>(h[at + 2]) << 16 | static_cast<uint32_t>(h[at + 3]) << 24;
    };
    // RIFF....AVI LIST....hdrl avih..., then a "strh" chunk per stream.
    if (n < 56 || std::memcmp(h, "RIFF", 4) != 0 || std::memcmp(h + 8, "AVI ", 4) != 0 ||
        std::memcmp(h + 12, "LIST", 4) != 0 || std::memcmp(h + 20, "hdrl", 4) != 0)
        return -1;
    double longest = -1;
    for (size_t at = 24; at + 8 + 36 <= n; ++at) {
        if (std::memcmp(h + at, "strh", 4) != 0)
            continue;
        const unsigned char* data = h + at + 8;
        const bool isVideo = std::memcmp(data, "vids", 4) == 0;
        const bool isAudio = std::memcmp(data, "auds", 4) == 0;
        const double scale = le32(at + 8 + 20), rate = le32(at + 8 + 24),
                     length = le32(at + 8 + 32);
        if (((isVideo && video) || (isAudio && audio)) && scale > 0 && rate > 0 && length > 0)
            longest = std::max(longest, length * scale / rate);
    }
    return longest;
}

// What FFmpeg says on its error output, kept for the reason of a failure.
struct FfmpegLog {
    std::mutex mutex;
    std::deque<std::string> errors;
    double inputSeconds = -1;
    bool sawDuration = false;

    void Line(const std::string& line) {
        std::lock_guard lock(mutex);
        if (!sawDuration) {
            size_t at = line.find("Duration: ");
            if (at != std::string::npos) {
                // "Duration: 00:01:02.50, start: ..."
                std::string_view rest = std::string_view(line).substr(at + 10);
                const std::optional<double> h = qv::LeadingNumber(rest, &rest);
                const bool hm = h && !rest.empty() && rest.front() == ':';
                const std::optional<double> m =
                    hm ? qv::LeadingNumber(rest.substr(1), &rest) : std::nullopt;
                const std::optional<double> s = m && !rest.empty() && rest.front() == ':'
                                                    ? qv::LeadingNumber(rest.substr(1))
                                                    : std::nullopt;
                if (s) {
                    inputSeconds = std::trunc(*h) * 3600.0 + std::trunc(*m) * 60 + *s;
                    sawDuration = true;
                }
            }
        }
        for (const char* level : {"[error] ", "[fatal] "}) {
            size_t at = line.find(level);
            if (at == std::string::npos)
                continue;
            errors.push_back(line.substr(at + 8));
            if (errors.size() > 4)
                errors.pop_front();
            break;
        }
    }

    std::string Reason() {
        std::lock_guard lock(mutex);
        std::string r;
        for (const std::string& e : errors)
            r += (r.empty() ? "" : "; ") + e;
        return r;
    }
};

std::string Explain(const std::string& reason) {
    if (reason.find("No space left on device") != std::string::npos)
        return "the disk is full: " + reason;
    if (reason.find("matches no streams") != std::string::npos)
        return "the source has no stream of the kind this profile needs (" + reason + ")";
    if (reason.find("moov atom not found") != std::string::npos ||
        reason.find("Invalid data found") != std::string::npos)
        return "the input is damaged or truncated (" + reason + ")";
    return reason;
}

struct Progress {
    double seconds = 0;
    long frames = 0;
    long long bytes = 0;
};

void PrintPosition(const Progress& p, double total, double elapsed, int vk, int ak) {
    int percent = total > 0 ? static_cast<int>(std::lround(100.0 * p.seconds / total)) : 0;
    percent = std::clamp(percent, 0, 100);
    double fps = elapsed > 0 ? p.frames / elapsed : 0;
    int remain = (percent > 0 && percent < 100)
                     ? static_cast<int>(elapsed * (100 - percent) / percent / 60)
                     : 0;
    int mb = static_cast<int>(p.bytes / (1024 * 1024));
    // MEncoder's "Pos: %5.1fs %6ldf (%2d%%) %5.2ffps ...", its numbers
    // written with a point whatever the locale.
    std::printf("Pos: %5ss %6ldf (%2d%%) %5sfps Trem: %4dmin %4dmb  A-V:0.000 [%d:%d]\r",
                qv::FixedText(p.seconds, 1).c_str(), p.frames, percent,
                qv::FixedText(fps, 2).c_str(), remain, mb, vk, ak);
    std::fflush(stdout);
}

void KeepPartial(const std::string& output) {
    struct stat st;
    if (::stat(output.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return;
    // What was written may be worth keeping, but it must not look finished.
    // A file already named ".partial" stays; a ".partial" of someone else's
    // is never replaced.
    const std::string suffix = ".partial";
    bool named = output.size() > suffix.size() &&
                 output.compare(output.size() - suffix.size(), suffix.size(), suffix) == 0;
    if (named && st.st_size > 0)
        return;
    if (!named && st.st_size > 0) {
        int ignored = ::link(output.c_str(), (output + suffix).c_str());
        (void)ignored;
    }
    ::unlink(output.c_str());
}

} // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOFBF, 1 << 14);
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 1 && args[0] == "-quenzo-options") {
        std::fputs(quenzo::OptionListing().c_str(), stdout);
        return 0;
    }

    quenzo::EncodeJob job;
    std::string error;
    if (!quenzo::ParseArguments(args, job, &error))
        GiveUp(error);

    quenzo::InputFacts facts;
    quenzo::DvdTitle title;
    if (job.dvd) {
        if (!title.Open(job.dvdDevice, job.dvdTitle, &error))
            GiveUp(error);
        facts.dvdPalette = title.IfoPath();
        facts.audioChannels = title.AudioChannels(job.aid);
    } else {
        CheckInput(job.inputFile);
        const std::string audio = "a:" + std::to_string(std::max(job.aid, 0));
        if (!job.oac.empty() && job.oac != "copy")
            facts.audioChannels =
                std::atoi(ProbeStream(job.inputFile, audio.c_str(), "stream=channels").c_str());
        if (job.aid >= 0)
            facts.audioTracks =
                static_cast<int>(Lines(ProbeStreams(job.inputFile, "a", "stream=index")).size());
        // Cover art: repeated as the picture of a video, kept with the sound
        // of an audio file.
        if (!job.nosound || (!job.ovc.empty() && job.ovc != "frameno"))
            facts.stillPicture =
                ProbeStream(job.inputFile, "v:0", "stream_disposition=attached_pic") == "1";
        if (facts.stillPicture && !job.ovc.empty() && job.ovc != "frameno")
            facts.soundSeconds = WrittenStreamsSeconds(job.inputFile, false, true);
        else if (!job.ovc.empty() && job.ovc != "frameno" && !job.ofps.empty())
            facts.variableRate = VariableRate(job.inputFile);
        facts.creationTime = ProbeFileTag(job.inputFile, "creation_time");
        if (job.keepTracks || job.sid >= 0)
            facts.subtitleCodecs = Lines(ProbeStreams(job.inputFile, "s", "stream=codec_name"));
        if (!job.ovc.empty() && job.ovc != "frameno" && job.ovc != "copy")
            facts.transfer = ProbeStream(job.inputFile, "v:0", "stream=color_transfer");
    }
    if (WantsTargetSize(job)) {
        const double length = job.dvd ? title.LengthSeconds()
                                      : std::max(WrittenStreamsSeconds(job.inputFile, true, true),
                                                 AviStatedLength(job.inputFile, true, true));
        const double left = length > 0 ? std::max(0.0, length - job.startSeconds.value_or(0)) : 0;
        facts.spanSeconds = job.lengthSeconds ? std::min(*job.lengthSeconds, left) : left;
        if (!job.dryRun) {
            const char* tmp = std::getenv("TMPDIR");
            std::string folder = std::string(tmp && *tmp ? tmp : "/tmp") + "/quenzo-pass-XXXXXX";
            if (!::mkdtemp(folder.data()))
                GiveUp("cannot make a folder for the pass log: " +
                       std::string(std::strerror(errno)));
            g_passFolder = folder;
            facts.passLog = folder + "/pass";
        }
    }

    const char* ffmpegPath = std::getenv("QUENZO_FFMPEG");
    const std::string ffmpegProgram = ffmpegPath && *ffmpegPath ? ffmpegPath : "ffmpeg";
    quenzo::Plan plan;
    if (!quenzo::Translate(job, facts, ffmpegProgram, plan, &error)) {
        // A copied stream into a raw file whose name does not tell the format:
        // ask the input what it holds, then try again.
        if (job.dvd || error.find("no raw") == std::string::npos)
            GiveUp(error);
        facts.videoCodec = ProbeStream(job.inputFile, "v:0", "stream=codec_name");
        facts.audioCodec = ProbeStream(job.inputFile, "a:0", "stream=codec_name");
        if (!quenzo::Translate(job, facts, ffmpegProgram, plan, &error))
            GiveUp(error);
    }
    if (job.dryRun) {
        for (const std::string& a : plan.firstPass)
            std::printf("%s\n", a.c_str());
        if (!plan.firstPass.empty())
            std::printf("\n");
        for (const std::string& a : plan.ffmpeg)
            std::printf("%s\n", a.c_str());
        return 0;
    }
    CheckOutput(job.output);
    const double streams =
        job.dvd ? -1 : WrittenStreamsSeconds(job.inputFile, plan.hasVideo, plan.hasAudio);
    const double stated =
        job.dvd ? title.LengthSeconds()
                : std::max(streams, AviStatedLength(job.inputFile, plan.hasVideo, plan.hasAudio));

    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        std::signal(sig, OnSignal);

    // What there is to write from the start on, at most the length asked for.
    const double available = stated > 0 ? std::max(0.0, stated - job.startSeconds.value_or(0)) : -1;
    double total = job.lengthSeconds ? (available >= 0 ? std::min(*job.lengthSeconds, available)
                                                       : *job.lengthSeconds)
                                     : available;
    Progress progress;
    std::chrono::steady_clock::time_point start;

    // Each pass its share of the progress line; the first of two passes
    // analyses the picture, the second writes the file.
    std::vector<std::vector<std::string>> passes;
    if (!plan.firstPass.empty())
        passes.push_back(plan.firstPass);
    passes.push_back(plan.ffmpeg);
    size_t pass = 0;
    std::string reason; // what FFmpeg said of the last pass
    auto Shown = [&]() {
        Progress shown = progress;
        if (total > 0)
            shown.seconds = (pass * total + progress.seconds) / passes.size();
        return shown;
    };
    for (; pass < passes.size(); ++pass) {
        qv::ToolRun run;
        run.argv = passes[pass];
        run.process.pipeInput = plan.streamsDvd;
        run.process.mergeErrors = false;
        run.process.errorPipe = true;
        run.process.ownGroup = false; // killing quenzo's group ends FFmpeg too
        run.started = [&](qv::ChildProcess& ffmpeg) {
            g_ffmpeg = ffmpeg.Pid();
            start = std::chrono::steady_clock::now();
            PrintPosition(Shown(), total, 0, plan.videoKbps, plan.audioKbps);
        };

        FfmpegLog log;
        qv::LineSplitter errorLines;
        auto errorLine = [&log](std::string_view line, char) { log.Line(std::string(line)); };
        run.errors = [&](std::string_view chunk) { errorLines.Feed(chunk, errorLine); };

        bool dvdFailed = false;
        std::string dvdError;
        if (plan.streamsDvd) {
            run.feed = [&](qv::ChildProcess& ffmpeg, const std::atomic<bool>&) {
                std::string e;
                if (!title.Stream(
                        [&](const unsigned char* data, size_t size) {
                            return ffmpeg.Write(reinterpret_cast<const char*>(data), size);
                        },
                        &e)) {
                    dvdError = e;
                    dvdFailed = true;
                }
            };
        }

        // FFmpeg's progress report: "key=value" lines, a block ended by "progress=...".
        qv::LineSplitter progressLines;
        auto progressLine = [&](std::string_view text, char) {
            const std::string line(text);
            size_t eq = line.find('=');
            if (eq == std::string::npos)
                return;
            std::string key = line.substr(0, eq), value = line.substr(eq + 1);
            if (key == "out_time_us" && value != "N/A")
                progress.seconds = std::max(0.0, qv::NumberOr(value) / 1e6);
            else if (key == "frame")
                progress.frames = std::atol(value.c_str());
            else if (key == "total_size" && value != "N/A")
                progress.bytes = std::atoll(value.c_str());
            else if (key == "progress") {
                if (!job.lengthSeconds && !job.dvd && streams <= 0) {
                    std::lock_guard lock(log.mutex);
                    if (log.sawDuration)
                        total = std::max(stated, log.inputSeconds) - job.startSeconds.value_or(0);
                }
                double elapsed =
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
                PrintPosition(Shown(), total, elapsed, plan.videoKbps, plan.audioKbps);
            }
        };
        run.output = [&](std::string_view chunk) {
            progressLines.Feed(chunk, progressLine);
            return true;
        };

        progress = Progress();
        const qv::ToolResult result = qv::RunTool(run);
        g_ffmpeg = 0;
        if (result.end == qv::ToolEnd::StartFailed)
            GiveUp("cannot run FFmpeg (" + result.error + ")");
        progressLines.Flush(progressLine);
        errorLines.Flush(errorLine);
        const int code = result.exitCode;

        reason = log.Reason();
        struct stat st;
        const bool last = pass + 1 == passes.size();
        bool written =
            ::stat(job.output.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0;
        if (code != 0 || (last && !written) || dvdFailed) {
            if (dvdFailed)
                GiveUp(dvdError);
            if (result.end == qv::ToolEnd::Hung)
                GiveUp("FFmpeg did not end after its output ended");
            if (code >= 128)
                GiveUp("FFmpeg was ended by signal " + std::to_string(code - 128));
            if (!reason.empty())
                GiveUp(Explain(reason));
            if (code != 0)
                GiveUp("FFmpeg failed with exit status " + std::to_string(code));
            GiveUp("nothing was written to \"" + job.output + "\"");
        }
    }
    RemovePassFolder();
    // An input that ends well before its stated length is damaged or cut
    // short; FFmpeg converts what is there and at most warns.
    const bool limited = job.frames || job.lengthBytes;
    if (!limited && total > 2 && progress.seconds < 0.9 * total) {
        GiveUp("the input ends at " + std::to_string(static_cast<int>(progress.seconds)) +
               " s of " + std::to_string(static_cast<int>(total)) +
               " s: it is damaged or truncated" + (reason.empty() ? "" : " (" + reason + ")"));
    }
    std::printf("\nVideo stream and audio stream written: %s\n", job.output.c_str());
    std::fflush(stdout);
    return 0;
}
