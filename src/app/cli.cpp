// quorvane-cli: the converter without a window, for scripts and servers.
//
//   quorvane-cli --list-profiles
//   quorvane-cli -p PROFILE -o FOLDER [--start hh:mm:ss] [--end hh:mm:ss] [--] FILE...
//   quorvane-cli --estimate -p PROFILE [-o FOLDER] FILE...   (sizes and times; writes nothing)
//   quorvane-cli --titles DVD
//   quorvane-cli -p PROFILE -o FOLDER --dvd DVD --title N... [--audio K] [--subtitle K] ...
//   quorvane-cli --list-tracks FILE
//
// Each file is probed and converted with the named profile and the settings
// of Config.ini (SettingsFilePath), one after another; a failed file does not
// stop the others. Progress goes to standard error, each finished output path
// to standard output. Ctrl-C stops the current job (its output is removed)
// and the rest. Exit status 0 only when every job succeeded.

#include "app/CliArguments.h"
#include "app/CliDvd.h"
#include "app/CliEstimate.h"
#include "app/CliPresenter.h"
#include "app/CliTracks.h"
#include "app/ProgramEntry.h"
#include "base/ProgramFolder.h"
#include "engine/BatchRunner.h"
#include "probe/MediaProbe.h"
#include "probe/ResultReader.h"
#include "services/Services.h"
#include "settings/Ini.h"
#include "settings/Settings.h"
#include "tessarn/Tessarn.h"

#include <atomic>
#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

std::atomic<bool> g_stop{false};

void OnInterrupt(int) {
    g_stop = true;
}

// A message in the locale's language.
const char* Say(const char* english, const char* chinese) {
    static const bool chinese_ = qv::ChineseLocale({"LC_ALL", "LC_MESSAGES", "LANG"});
    return chinese_ ? chinese : english;
}

void Print(std::FILE* stream, const std::string& text) {
    std::fputs(text.c_str(), stream);
    std::fflush(stream);
}

} // namespace

int main(int argc, char** argv) {
    qv::UseMediaProbeForResults(); // every result is checked before it counts
    std::setlocale(LC_ALL, "");
    const qv::Result<qv::CliCommand> read =
        qv::ReadCliArguments(std::vector<std::string>(argv + 1, argv + argc));
    if (!read) {
        std::fprintf(stderr, "quorvane-cli: %s\n%s", read.Reason().c_str(), qv::CliUsage());
        return 2;
    }
    const qv::CliCommand& command = *read;
    if (command.help) {
        std::fputs(qv::CliUsage(), stdout);
        return 0;
    }

    qv::SetUpLog(); // before the profile reader's first entry
    if (!command.titlesOf.empty()) {
        qv::LangOpenDefault();
        const qv::Result<qv::CliDvd> dvd = qv::ReadCliDvd(command.titlesOf);
        if (!dvd) {
            std::fprintf(stderr, "quorvane-cli: %s\n", dvd.Reason().c_str());
            return 1;
        }
        Print(stdout, qv::DvdTitleLines(*dvd->block));
        return 0;
    }
    if (!command.tracksOf.empty()) {
        qv::ProbeResult probe;
        if (!qv::MediaInfoLibrary::Default().Read(command.tracksOf, probe)) {
            std::fprintf(stderr, Say("quorvane-cli: refused: %s\n", "quorvane-cli: 已拒绝: %s\n"),
                         command.tracksOf.c_str());
            return 1;
        }
        Print(stdout, qv::FileTrackLines(probe));
        return 0;
    }
    auto table = std::make_unique<qv::ProfileTable>();
    std::string profiles = qv::ProgramFolder() + "Profiles/";
    LoadProfiles(profiles.data(), table.get(), "1");
    if (command.listProfiles) {
        for (int i = 0; i < table->count; ++i) {
            const qv::ProfileRecord& p = table->records[i];
            std::printf("%s\t%s\t%s\t%s\n", qv::FieldText(p.category).c_str(),
                        qv::FieldText(p.name).c_str(), qv::FieldText(p.outputFormat).c_str(),
                        p.IsAudioOnly() ? "audio" : "video");
        }
        return 0;
    }
    const qv::ProfileRecord* profile = nullptr;
    for (int i = 0; i < table->count && !profile; ++i)
        if (qv::FieldText(table->records[i].name) == command.profile)
            profile = &table->records[i];
    if (!profile) {
        std::fprintf(stderr, "quorvane-cli: no profile named \"%s\" (see --list-profiles)\n",
                     command.profile.c_str());
        return 2;
    }
    const std::string& folder = command.outputFolder;
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
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);

    // Every file is probed first; those refused are said so and left out.
    bool allAccepted = true;
    qv::BatchJobs batch;
    std::vector<qv::CliJob> names;
    std::vector<qv::SourceStreams> streams; // beside batch.jobs, for --estimate
    if (!command.dvd.empty()) {
        qv::Result<qv::CliDvd> dvd = qv::ReadCliDvd(command.dvd);
        auto titles =
            dvd ? qv::DvdTitleJobs(*dvd, command)
                : qv::Result<std::vector<std::unique_ptr<qv::CMediaRecord>>>::Fail(dvd.Reason());
        if (!titles) {
            std::fprintf(stderr, "quorvane-cli: %s\n", titles.Reason().c_str());
            return 1;
        }
        for (auto& title : std::move(titles).Value()) {
            names.push_back(
                {command.dvd + " title " + std::to_string(title->titleNumber), title->baseName});
            batch.jobs.push_back(std::move(*title));
            streams.emplace_back();
        }
    }
    for (const std::string& file : command.files) {
        if (g_stop)
            return 1;
        const bool exists = ::stat(file.c_str(), &st) == 0;
        const int statError = exists ? 0 : errno;
        if (!exists || S_ISDIR(st.st_mode)) {
            std::fprintf(stderr,
                         exists ? Say("quorvane-cli: %s is a folder, not a media file\n",
                                      "quorvane-cli: %s 是文件夹, 不是媒体文件\n")
                         : statError == ENOENT
                             ? Say("quorvane-cli: %s does not exist\n", "quorvane-cli: %s 不存在\n")
                             : Say("quorvane-cli: cannot read %s\n", "quorvane-cli: 无法读取 %s\n"),
                         file.c_str());
            allAccepted = false;
            continue;
        }
        qv::ProbeResult probe;
        if (!qv::ProbeMediaFile(file, probe)) {
            std::fprintf(stderr, Say("quorvane-cli: refused: %s\n", "quorvane-cli: 已拒绝: %s\n"),
                         file.c_str());
            allAccepted = false;
            continue;
        }
        qv::CMediaRecord job;
        qv::FillFileRecord(job, file, probe);
        if (const qv::Status chosen = qv::ChooseFileTracks(job, probe, command); !chosen) {
            std::fprintf(stderr, "quorvane-cli: %s\n", chosen.Reason().c_str());
            return 1; // as for a DVD title: nothing is converted
        }
        if (!command.start.empty())
            job.trimStart = command.start;
        if (!command.end.empty())
            job.trimEnd = command.end;
        names.push_back({file, job.baseName});
        batch.jobs.push_back(std::move(job));
        streams.push_back({probe.videoStreams > 0, probe.audioStreams > 0, probe.seconds});
    }
    if (batch.jobs.empty())
        return 1;
    batch.profile = *profile;
    batch.settings = qv::EngineSettings::From(settings.record);
    batch.outputFolder = folder;
    batch.toolFolder = qv::ProgramFolder();

    if (command.estimate) {
        std::vector<qv::CliEstimateJob> estimates;
        for (size_t i = 0; i < batch.jobs.size(); ++i)
            estimates.push_back({batch.jobs[i], streams[i], names[i].file});
        const bool all = qv::PrintCliEstimates(
            estimates, batch.profile, batch.settings, batch.toolFolder,
            [] { return g_stop.load(); }, [](const std::string& text) { Print(stdout, text); },
            [](const std::string& text) { Print(stderr, text); });
        return allAccepted && all ? 0 : 1;
    }

    qv::CliPresenter presenter(
        std::move(names), ::isatty(STDERR_FILENO) != 0,
        qv::ChineseLocale({"LC_ALL", "LC_MESSAGES", "LANG"}),
        [](const std::string& text) { Print(stdout, text); },
        [](const std::string& text) { Print(stderr, text); });
    qv::BatchOptions options;
    options.afterFailure = qv::AfterFailure::NextJob; // a failed file does not stop the others
    options.stopFlag = &g_stop;
    qv::BatchRunner(std::move(batch), presenter, std::move(options)).Run();
    return allAccepted && presenter.AllSucceeded() ? 0 : 1;
}
