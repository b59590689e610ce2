// quorvane-cli with a file's tracks: --list-tracks, and --audio, --subtitle
// and --subtitle-mode taking what it lists.
#include "support/Paths.h"
#include "support/TempDir.h"
#include "support/Tone.h"
#include "support/Tool.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using qvtest::RunTool;
using qvtest::ToolRun;

namespace {

ToolRun Cli(const qvtest::TempDir& home, std::vector<std::string> args) {
    args.insert(args.begin(), {"env", "HOME=" + home.path(), "LC_ALL=", "LANG=C.UTF-8",
                               qvtest::ProgramDir() + "quorvane-cli"});
    return RunTool(args);
}

std::string Media(const std::string& name) {
    return qvtest::MediaDir() + name;
}

} // namespace

TEST(QuorvaneCliTracks, ListsAFilesTracksNumberedFromOne) {
    qvtest::TempDir home;
    ToolRun r = Cli(home, {"--list-tracks", Media("picsub.mkv")});
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_EQ(r.output, "audio\t1\tUnknown\tMPEG Audio 1ch 48000Hz\n"
                        "subtitle\t1\tFrench\tpicture (VobSub)\tdefault\n"
                        "subtitle\t2\tGerman\ttext (UTF-8)\n");
    r = Cli(home, {"--list-tracks", Media("tracks.mkv")});
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_EQ(r.output.substr(0, r.output.find("subtitle")),
              "audio\t1\tEnglish\tAAC 2ch 48000Hz\naudio\t2\tGerman\tAAC 2ch 48000Hz\tdefault\n");
    EXPECT_EQ(Cli(home, {"--list-tracks", Media("notmedia.avi")}).exitCode, 1);
}

TEST(QuorvaneCliTracks, ConvertsTheChosenTracksAndRefusesTracksAFileLacks) {
    qvtest::TempDir home, out;
    const std::string mp3 = "MP3 - MPEG Audio Layer 3";
    // Unless asked, the default-flagged track (German, 660 Hz).
    ToolRun r = Cli(home, {"-p", mp3, "-o", out.path(), Media("tracks.mkv")});
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_NEAR(qvtest::ToneOf(out / "tracks.mp3"), 660, 20);
    ::mkdir((out / "one").c_str(), 0755);
    r = Cli(home, {"-p", mp3, "-o", out / "one", "--audio", "1", Media("tracks.mkv")});
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_NEAR(qvtest::ToneOf(out / "one/tracks.mp3"), 440, 20);

    // The subtitle kept as a track of the MKV.
    r = Cli(home, {"-p", "MKV - H.264 Video", "-o", out.path(), "--subtitle", "1",
                   "--subtitle-mode", "keep", "--end", "00:00:02", Media("tracks.mkv")});
    ASSERT_EQ(r.exitCode, 0) << r.output;
    ToolRun streams = RunTool({"ffprobe", "-v", "error", "-select_streams", "s", "-show_entries",
                               "stream=codec_name", "-of", "csv=p=0", out / "tracks.mkv"});
    EXPECT_EQ(streams.output, "subrip\n");

    // A track one of the files lacks: nothing is converted.
    ::mkdir((out / "x").c_str(), 0755);
    r = Cli(home,
            {"-p", mp3, "-o", out / "x", "--audio", "2", Media("tracks.mkv"), Media("small.wav")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.output.find("small.wav has 1 audio tracks, not 2"), std::string::npos) << r.output;
    r = Cli(home, {"-p", mp3, "-o", out / "x", "--subtitle", "1", Media("small.wav")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_FALSE(qvtest::FileExists(out / "x/tracks.mp3"));

    // Wrong command lines.
    EXPECT_EQ(
        Cli(home, {"-p", mp3, "-o", out.path(), "--subtitle-mode", "both", Media("tracks.mkv")})
            .exitCode,
        2);
    EXPECT_EQ(Cli(home, {"-p", mp3, "-o", out.path(), "--subtitle-mode", "keep", "--dvd",
                         Media("dvdmix"), "--title", "1"})
                  .exitCode,
              2);
}
