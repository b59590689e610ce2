// vistrel: the preview player. Runs the system's MPlayer in slave mode with
// the arguments it was given, with Windows-only options and drivers mapped to
// ones that work here, passes its standard input through, and writes
// MPlayer's output through unbuffered with the few lines the program reads
// in Chinese localised. Killing vistrel's process group ends MPlayer too.

#include "platform/ToolRun.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <string>
#include <string_view>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

pid_t g_player = 0;

void OnSignal(int sig) {
    if (g_player > 0)
        ::kill(g_player, SIGKILL);
    ::signal(sig, SIG_DFL);
    ::raise(sig);
}

int NiceFor(const std::string& priority) {
    if (priority == "idle")
        return 19;
    if (priority == "belownormal")
        return 10;
    if (priority == "abovenormal")
        return -5;
    if (priority == "high")
        return -10;
    if (priority == "realtime")
        return -15;
    return 0;
}

// Video and audio drivers of another platform, as lists of ones that work
// here (MPlayer takes the first that opens). X11 comes before GL: GL opens on
// servers without direct rendering (Xvfb, remote displays) and then draws
// nothing into the embedded window, while X11 draws everywhere, and the
// preview is small enough for its software scaling.
std::string VideoDriver(const std::string& vo) {
    if (vo.rfind("directx", 0) == 0 || vo == "direct3d")
        return "xv,x11,";
    if (vo == "gl" || vo == "gl2")
        return "xv,x11,gl,";
    return vo;
}

// Without a sound device the list ends at the null driver at once instead of
// walking through every driver MPlayer knows: the preview plays silently and
// starts as fast.
std::string AudioDriver(const std::string& ao) {
    if (ao == "dsound" || ao == "win32")
        return "pulse,alsa,null";
    return ao;
}

// The lines whose markers the program reads in Chinese. Each keeps the byte
// offset at which the program takes its value.
std::string Localise(const std::string& line) {
    if (line.rfind("Video: no video", 0) == 0)
        return "视频:没有视频";
    if (line.rfind("Cache fill:", 0) == 0)
        return line + " 缓存填充:"; // the value stays at byte 12
    static const std::pair<const char*, const char*> titles[] = {
        {" Title: ", " 标题:"},   {" Name: ", " 标题:"},  {" Artist: ", " 艺人: "},
        {" Author: ", " 作者: "}, {" Album: ", " 专辑:"}, {" Genre: ", " 类型:"}};
    for (const auto& [english, chinese] : titles)
        if (line.rfind(english, 0) == 0)
            return chinese + line.substr(std::strlen(english));
    return line;
}

void WriteOut(const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(STDOUT_FILENO, text.data() + done, text.size() - done);
        if (n <= 0)
            return;
        done += static_cast<size_t>(n);
    }
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args = {"mplayer", "-noconfig", "all", "-nolirc", "-nojoystick"};
    int niceValue = 0;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        std::string next = i + 1 < argc ? argv[i + 1] : "";
        if (a == "-priority" && i + 1 < argc) {
            niceValue = NiceFor(next);
            ++i;
        } else if (a == "-wid" && i + 1 < argc) {
            if (next != "0") // 0: no window to draw into; MPlayer opens its own
                args.insert(args.end(), {a, next});
            ++i;
        } else if (a == "-vo" && i + 1 < argc) {
            args.insert(args.end(), {a, VideoDriver(next)});
            ++i;
        } else if (a == "-ao" && i + 1 < argc) {
            args.insert(args.end(), {a, AudioDriver(next)});
            ++i;
        } else {
            args.push_back(a);
        }
    }
    const char* player = std::getenv("VISTREL_MPLAYER");
    if (player && *player)
        args[0] = player;

    // Commands: our standard input, passed through as it comes. The end of a
    // pipe means the program has gone; a file or /dev/null simply ends.
    struct stat in;
    const bool fromPipe =
        ::fstat(STDIN_FILENO, &in) == 0 && (S_ISFIFO(in.st_mode) || S_ISSOCK(in.st_mode));

    qv::ToolRun run;
    run.argv = args;
    run.process.pipeInput = true;
    run.process.ownGroup = false; // killing vistrel's group ends MPlayer too
    run.process.niceValue = niceValue;
    run.started = [](qv::ChildProcess& mplayer) {
        g_player = mplayer.Pid();
        for (int sig : {SIGTERM, SIGINT, SIGHUP})
            std::signal(sig, OnSignal);
    };
    run.feed = [fromPipe](qv::ChildProcess& mplayer, const std::atomic<bool>& ended) {
        char buffer[256];
        for (;;) {
            // Waits a short while at a time: the run's end must not wait for
            // a command that never comes.
            pollfd p{STDIN_FILENO, POLLIN, 0};
            if (ended)
                return;
            const int ready = ::poll(&p, 1, 20);
            if (ready == 0 || (ready < 0 && errno == EINTR))
                continue;
            const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            if (!mplayer.Write(buffer, static_cast<size_t>(n)))
                return;
        }
        // The program has gone: so does the player, once it has had a moment
        // for a last command such as "quit". After a file or /dev/null the
        // player's input stays open until the run ends.
        const auto last = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
        while (!ended) {
            if (fromPipe && std::chrono::steady_clock::now() >= last) {
                ::kill(mplayer.Pid(), SIGTERM);
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    };

    // Output: line by line, each line with its own end, written at once.
    qv::LineSplitter lines;
    auto writeLine = [](std::string_view line, char end) {
        std::string text = Localise(std::string(line));
        if (end != '\0')
            text += end;
        WriteOut(text);
    };
    run.output = [&](std::string_view chunk) {
        lines.Feed(chunk, writeLine);
        return true;
    };
    const qv::ToolResult result = qv::RunTool(run);
    if (result.end == qv::ToolEnd::StartFailed) {
        WriteOut("vistrel: " + result.error + "\nExiting... (cannot start the player)\n");
        return 1;
    }
    lines.Flush(writeLine);
    std::_Exit(result.exitCode);
}
