// mp4creator: builds an MP4 file from raw streams, with FFmpeg.
//
//   mp4creator -c STREAM -rate=R OUT.mp4   creates OUT.mp4 with a raw H.264 or
//                                          MPEG-4 video stream at R frames/s
//   mp4creator -c STREAM OUT.mp4           adds a raw AAC track to OUT.mp4
//
// The result is written under a temporary name and renamed, so a failure
// never leaves a broken OUT.mp4. On failure: one line on stderr, exit 1.

#include "Number.h"
#include "common/FileName.h"
#include "platform/ToolRun.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using codecs::Extension;

[[noreturn]] void Fail(const std::string& why) {
    std::fprintf(stderr, "mp4creator: %s\n", why.c_str());
    std::exit(1);
}

// "23.97" and "29.97" are the NTSC rates 24000/1001 and 30000/1001.
std::string Rate(const std::string& text) {
    if (text == "23.97" || text == "23.976")
        return "24000/1001";
    if (text == "29.97")
        return "30000/1001";
    if (text == "59.94")
        return "60000/1001";
    const std::optional<double> v = qv::WholeNumber(text);
    if (!v || !(*v > 0 && *v < 1000))
        Fail("-rate expects a frame rate such as 25 or 29.97, not \"" + text + "\"");
    return text;
}

// Runs FFmpeg; returns its last error line, or "" when it succeeded.
std::string RunFfmpeg(const std::vector<std::string>& args) {
    qv::ToolRun ff;
    ff.argv = args;
    ff.process.ownGroup = false;
    ff.keepOutput = 1 << 16;
    const qv::ToolResult r = qv::RunTool(ff);
    if (r.end == qv::ToolEnd::StartFailed)
        return "cannot run FFmpeg (" + r.error + ")";
    if (r.Succeeded())
        return "";
    const std::string last = r.LastLine();
    if (!last.empty())
        return last;
    if (r.end == qv::ToolEnd::Hung)
        return "FFmpeg did not end after its output ended";
    return "FFmpeg failed with exit status " + std::to_string(r.exitCode);
}

bool IsFile(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

} // namespace

int main(int argc, char** argv) {
    std::string stream, rate, out;
    bool haveRate = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "-c") {
            if (i + 1 >= argc)
                Fail("option -c needs a stream file");
            stream = argv[++i];
        } else if (a.rfind("-rate=", 0) == 0) {
            rate = Rate(a.substr(6));
            haveRate = true;
        } else if (!a.empty() && a[0] == '-') {
            Fail("unknown option " + a);
        } else if (out.empty()) {
            out = a;
        } else {
            Fail("more than one MP4 file given");
        }
    }
    if (stream.empty() || out.empty())
        Fail("usage: mp4creator -c STREAM [-rate=R] OUT.mp4");
    if (!IsFile(stream))
        Fail("cannot read the stream \"" + stream +
             "\": " + (::access(stream.c_str(), F_OK) == 0 ? "not a file" : std::strerror(ENOENT)));

    const char* env = std::getenv("QUENZO_FFMPEG");
    const std::string ffmpeg = env && *env ? env : "ffmpeg";
    const std::string ext = Extension(stream);
    std::string format;
    if (ext == "264" || ext == "h264" || ext == "avc")
        format = "h264";
    else if (ext == "m4v" || ext == "cmp")
        format = "m4v";
    else if (ext == "aac" || ext == "adts")
        format = "aac";

    const std::string tmp = out + ".tmp" + std::to_string(::getpid());
    std::vector<std::string> args = {ffmpeg, "-hide_banner", "-nostdin", "-loglevel", "error"};
    bool video = format == "h264" || format == "m4v";
    if (video || haveRate) {
        if (!video && !format.empty())
            Fail("-rate is for a video stream, not \"" + stream + "\"");
        // A new file with the video track (an existing one is replaced).
        if (haveRate)
            args.insert(args.end(), {"-framerate", rate});
        if (!format.empty())
            args.insert(args.end(), {"-f", format});
        args.insert(args.end(), {"-i", stream, "-map", "0:v:0", "-c", "copy"});
    } else if (IsFile(out)) {
        // Add the track to the existing file.
        args.insert(args.end(), {"-i", out});
        if (!format.empty())
            args.insert(args.end(), {"-f", format});
        args.insert(args.end(), {"-i", stream, "-map", "0", "-map", "1:a:0", "-c", "copy"});
    } else {
        if (!format.empty())
            args.insert(args.end(), {"-f", format});
        args.insert(args.end(), {"-i", stream, "-map", "0:a:0", "-c", "copy"});
    }
    args.insert(args.end(), {"-f", "mp4", "-y", tmp});

    std::string error = RunFfmpeg(args);
    if (!error.empty() || !IsFile(tmp)) {
        ::unlink(tmp.c_str());
        Fail("cannot write \"" + out + "\": " + (error.empty() ? "nothing was written" : error));
    }
    if (::rename(tmp.c_str(), out.c_str()) != 0) {
        int e = errno;
        ::unlink(tmp.c_str());
        Fail("cannot write \"" + out + "\": " + std::strerror(e));
    }
    return 0;
}
