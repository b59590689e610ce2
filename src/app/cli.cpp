// quorvane-cli: the converter without a window, for scripts and servers.
//
//   quorvane-cli --list-profiles
//   quorvane-cli -p PROFILE -o FOLDER [--start hh:mm:ss] [--end hh:mm:ss] [--] FILE...
//
// Each file is probed and converted with the named profile and the settings
// of Config.ini (SettingsFilePath), one after another. Progress goes to
// standard error, each finished output path to standard output. Ctrl-C stops
// the current job (its output is removed) and the rest. Exit status 0 only
// when every job succeeded.

#include "base/ProgramFolder.h"
#include "engine/EncoderRun.h"
#include "probe/MediaProbe.h"
#include "probe/ResultReader.h"
#include "services/Services.h"
#include "settings/Ini.h"
#include "settings/Settings.h"
#include "tessarn/Tessarn.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

std::atomic<bool> g_stop{false};

void OnInterrupt(int) {
    g_stop = true;
}

// Whether the user's locale asks for Chinese messages.
bool ChineseLocale() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* v = std::getenv(name);
        if (v && *v)
            return std::strncmp(v, "zh", 2) == 0;
    }
    return false;
}

// A message in the locale's language.
const char* Say(const char* english, const char* chinese) {
    static const bool chinese_ = ChineseLocale();
    return chinese_ ? chinese : english;
}

const char kUsage[] =
    "usage: quorvane-cli --list-profiles\n"
    "       quorvane-cli -p PROFILE -o FOLDER [--start hh:mm:ss] [--end hh:mm:ss] [--] FILE...\n"
    "\n"
    "  -p, --profile NAME   the output profile (names as --list-profiles prints them)\n"
    "  -o, --output FOLDER  the folder the results are written into\n"
    "  --start, --end TIME  convert only that part of each file\n"
    "  --                   what follows are file names, even those beginning with -\n"
    "  -h, --help           this text\n";

int Usage() {
    std::fputs(kUsage, stderr);
    return 2;
}

// The engine's status lines are the program's Chinese texts; other locales
// read them in English.
std::string LocalStatus(const std::string& text) {
    const std::string converting = qv::kStatusConverting;
    if (ChineseLocale())
        return text;
    if (text == qv::kStatusPreparing)
        return "Preparing the conversion. This may take a few minutes.";
    if (text.rfind(converting, 0) == 0)
        return "Converting: " + text.substr(converting.size());
    return text;
}

bool IsTimeText(const std::string& t) {
    return t.size() == 8 && t[2] == ':' && t[5] == ':' &&
           std::isdigit(static_cast<unsigned char>(t[0])) &&
           std::isdigit(static_cast<unsigned char>(t[1])) &&
           std::isdigit(static_cast<unsigned char>(t[3])) && t[3] < '6' &&
           std::isdigit(static_cast<unsigned char>(t[4])) &&
           std::isdigit(static_cast<unsigned char>(t[6])) && t[6] < '6' &&
           std::isdigit(static_cast<unsigned char>(t[7]));
}

// A batch of one job at a time, reporting to the terminal.
class CliBatch : public qv::JobBatch {
public:
    CliBatch(const qv::ProfileRecord& profile, qv::EngineSettings settings, std::string folder)
        : profile_(profile), settings_(settings), folder_(std::move(folder)),
          tty_(::isatty(STDERR_FILENO)) {}

    void Run(qv::CMediaRecord& job) {
        job_ = &job;
        lastTenth_ = -1;
        shown_ = 0;
        failure_.clear();
        qv::RunJob(*this);
        if (outcome_ == qv::OutcomeSucceeded)
            Show(100);
        if (tty_)
            std::fputc('\n', stderr);
    }
    qv::JobOutcome Outcome() const { return outcome_; }

    qv::CMediaRecord& CurrentJob() override { return *job_; }
    const qv::ProfileRecord& Profile() const override { return profile_; }
    const qv::EngineSettings& Settings() const override { return settings_; }
    std::string OutputFolder() const override { return folder_; }
    std::string ToolFolder() const override { return qv::ProgramFolder(); }
    bool StopRequested() const override { return g_stop; }
    void ReportStatus(const std::string& text) override {
        if (!tty_)
            std::fprintf(stderr, "%s\n", LocalStatus(text).c_str());
    }
    void ReportProgress(float seconds, uint32_t) override {
        int length = qv::JobLengthSeconds(*job_);
        Show(length > 0 ? static_cast<int>(100.0f * seconds / static_cast<float>(length)) : 0);
    }
    void SetFileProgress(int percent) override { Show(percent); }
    void ReportFailure(const std::string& reason) override { failure_ = reason; }
    void PostOutcome(qv::JobOutcome outcome) override { outcome_ = outcome; }
    const std::string& Failure() const { return failure_; }

private:
    // The bar only moves forward: a late position never takes it back.
    void Show(int percent) {
        percent = std::clamp(percent, shown_, 100);
        shown_ = percent;
        if (tty_) {
            int filled = percent * 40 / 100;
            std::fprintf(stderr, "\r[%s%s] %3d%% %s",
                         std::string(static_cast<size_t>(filled), '#').c_str(),
                         std::string(static_cast<size_t>(40 - filled), ' ').c_str(), percent,
                         job_->baseName.c_str());
        } else if (percent / 10 > lastTenth_) {
            lastTenth_ = percent / 10;
            std::fprintf(stderr, "%s: %d%%\n", job_->baseName.c_str(), lastTenth_ * 10);
        }
        std::fflush(stderr);
    }

    const qv::ProfileRecord& profile_;
    qv::EngineSettings settings_;
    std::string folder_;
    bool tty_;
    qv::CMediaRecord* job_ = nullptr;
    qv::JobOutcome outcome_ = qv::OutcomeFailed;
    std::string failure_;
    int lastTenth_ = -1;
    int shown_ = 0;
};

} // namespace

int main(int argc, char** argv) {
    qv::UseMediaProbeForResults(); // every result is checked before it counts
    std::setlocale(LC_ALL, "");
    std::vector<std::string> args(argv + 1, argv + argc);
    bool list = false;
    std::string profileName, folder, start, end;
    std::vector<std::string> files;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= args.size())
                return false;
            into = args[++i];
            return true;
        };
        if (a == "-h" || a == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (a == "--list-profiles")
            list = true;
        else if (a == "-p" || a == "--profile") {
            if (!value(profileName))
                return Usage();
        } else if (a == "-o" || a == "--output") {
            if (!value(folder))
                return Usage();
        } else if (a == "--start") {
            if (!value(start) || !IsTimeText(start))
                return Usage();
        } else if (a == "--end") {
            if (!value(end) || !IsTimeText(end))
                return Usage();
        } else if (a == "--") {
            files.insert(files.end(), args.begin() + static_cast<long>(i) + 1, args.end());
            break;
        } else if (a.size() > 1 && a[0] == '-') {
            std::fprintf(stderr, "quorvane-cli: unknown option %s\n", a.c_str());
            return Usage();
        } else
            files.push_back(a);
    }

    qv::SetUpLog(); // before the profile reader's first entry
    auto table = std::make_unique<qv::ProfileTable>();
    std::string profiles = qv::ProgramFolder() + "Profiles/";
    LoadProfiles(profiles.data(), table.get(), "1");
    if (list) {
        for (int i = 0; i < table->count; ++i) {
            const qv::ProfileRecord& p = table->records[i];
            std::printf("%s\t%s\t%s\t%s\n", qv::FieldText(p.category).c_str(),
                        qv::FieldText(p.name).c_str(), qv::FieldText(p.outputFormat).c_str(),
                        p.IsAudioOnly() ? "audio" : "video");
        }
        return 0;
    }
    if (profileName.empty() || folder.empty() || files.empty())
        return Usage();
    const qv::ProfileRecord* profile = nullptr;
    for (int i = 0; i < table->count && !profile; ++i)
        if (qv::FieldText(table->records[i].name) == profileName)
            profile = &table->records[i];
    if (!profile) {
        std::fprintf(stderr, "quorvane-cli: no profile named \"%s\" (see --list-profiles)\n",
                     profileName.c_str());
        return 2;
    }
    struct stat st;
    if (::stat(folder.c_str(), &st) != 0) {
        std::fprintf(stderr,
                     Say("quorvane-cli: the output folder \"%s\" does not exist\n",
                         "quorvane-cli: 输出文件夹 \"%s\" 不存在\n"),
                     folder.c_str());
        return 2;
    }
    if (!S_ISDIR(st.st_mode)) {
        std::fprintf(stderr,
                     Say("quorvane-cli: the output \"%s\" is not a folder\n",
                         "quorvane-cli: 输出 \"%s\" 不是文件夹\n"),
                     folder.c_str());
        return 2;
    }

    qv::LangOpenDefault();
    qv::CIni ini(qv::SettingsFilePath());
    qv::LoadedSettings settings = qv::LoadSettings(ini, qv::UserDefaultFolders());
    CliBatch batch(*profile, qv::EngineSettings::From(settings.record), folder);
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);

    bool allGood = true;
    for (const std::string& file : files) {
        if (g_stop) {
            allGood = false;
            break;
        }
        if (::stat(file.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) {
            std::fprintf(stderr,
                         errno == ENOENT
                             ? Say("quorvane-cli: %s does not exist\n", "quorvane-cli: %s 不存在\n")
                         : S_ISDIR(st.st_mode)
                             ? Say("quorvane-cli: %s is a folder, not a media file\n",
                                   "quorvane-cli: %s 是文件夹, 不是媒体文件\n")
                             : Say("quorvane-cli: cannot read %s\n", "quorvane-cli: 无法读取 %s\n"),
                         file.c_str());
            allGood = false;
            continue;
        }
        qv::ProbeResult probe;
        if (!qv::ProbeMediaFile(file, probe)) {
            std::fprintf(stderr, Say("quorvane-cli: refused: %s\n", "quorvane-cli: 已拒绝: %s\n"),
                         file.c_str());
            allGood = false;
            continue;
        }
        qv::CMediaRecord job;
        qv::FillFileRecord(job, file, probe);
        if (!start.empty())
            job.trimStart = start;
        if (!end.empty())
            job.trimEnd = end;
        batch.Run(job);
        switch (batch.Outcome()) {
        case qv::OutcomeSucceeded: std::printf("%s\n", job.outputPath.c_str()); break;
        case qv::OutcomeCancelled:
            ::unlink(job.outputPath.c_str()); // as a cancelled job of the program
            std::fprintf(stderr, Say("quorvane-cli: stopped: %s\n", "quorvane-cli: 已停止: %s\n"),
                         file.c_str());
            allGood = false;
            break;
        default:
            if (batch.Failure().empty())
                std::fprintf(stderr,
                             Say("quorvane-cli: failed: %s (the log tells why)\n",
                                 "quorvane-cli: 失败: %s (原因见日志)\n"),
                             file.c_str());
            else
                std::fprintf(stderr,
                             Say("quorvane-cli: failed: %s: %s\n", "quorvane-cli: 失败: %s: %s\n"),
                             file.c_str(), batch.Failure().c_str());
            allGood = false;
        }
        std::fflush(stdout);
    }
    return allGood ? 0 : 1;
}
