// A file's chosen audio track and subtitle (burnt in or kept as a track),
// its tags, chapters and cover art, through quenzo on generated media.
#include "support/Paths.h"
#include "support/Quenzo.h"
#include "support/TempDir.h"
#include "support/Tone.h"
#include "support/Tool.h"

#include "platform/CommandLine.h"

#include <gtest/gtest.h>

#include <cstdlib>

using qvtest::MediaPath;
using qvtest::ProbeEntries;
using qvtest::RunQuenzo;
using qvtest::RunTool;
using qvtest::ToolRun;

namespace {

// A frame at a time as grey pixels at its own size; empty when there is none.
std::string Frame(const std::string& file, double seconds) {
    ToolRun r = RunTool({"ffmpeg", "-v", "quiet", "-ss", std::to_string(seconds), "-i", file,
                         "-frames:v", "1", "-vf", "format=gray", "-f", "rawvideo", "-"});
    return r.output;
}

// Pixels of a frame far from the same frame of the same conversion without
// a subtitle: what a burnt-in subtitle adds.
int Changed(const std::string& result, const std::string& without, double at) {
    const std::string a = Frame(result, at), b = Frame(without, at);
    if (a.empty() || a.size() != b.size())
        return -1;
    int changed = 0;
    for (size_t i = 0; i < a.size(); ++i)
        changed +=
            std::abs(static_cast<unsigned char>(a[i]) - static_cast<unsigned char>(b[i])) > 60;
    return changed;
}

const std::string kMp4 = "-ofps 25 -ovc x264 -x264encopts crf=18:preset=ultrafast -oac faac "
                         "-faacopts br=96 -of lavf -lavfopts format=";

class FileTracks : public ::testing::Test {
protected:
    qvtest::TempDir dir;
    ToolRun Run(const std::string& format, const std::string& source, const std::string& more,
                const std::string& out) {
        return RunQuenzo(kMp4 + format + " " + more + " \"" + source + "\" -o \"" + out + "\"");
    }
};

} // namespace

TEST_F(FileTracks, TheChosenAudioTrackIsConvertedByThePlayersNumbers) {
    // tracks.mkv: English 440 Hz, German 660 Hz (the default-flagged one).
    for (auto [aid, tone] : {std::pair{0, 440.0}, {1, 660.0}}) {
        const std::string out = dir / ("tone" + std::to_string(aid) + ".wav");
        ToolRun r = RunQuenzo("-ovc frameno -oac pcm -of lavf -lavfopts format=wav -aid " +
                              std::to_string(aid) + " \"" + MediaPath("tracks.mkv") + "\" -o \"" +
                              out + "\"");
        ASSERT_EQ(r.exitCode, 0) << r.output;
        EXPECT_NEAR(qvtest::ToneOf(out), tone, tone * 0.03) << "-aid " << aid;
    }
    ToolRun missing = RunQuenzo("-ovc frameno -oac pcm -of lavf -lavfopts format=wav -aid 2 \"" +
                                MediaPath("tracks.mkv") + "\" -o \"" + (dir / "x.wav") + "\"");
    EXPECT_NE(missing.exitCode, 0);
    EXPECT_NE(missing.output.find("has 2 audio tracks"), std::string::npos) << missing.output;
}

TEST_F(FileTracks, ASubtitleIsBurntInWhereAndWhileItShows) {
    const std::string tracks = MediaPath("tracks.mkv"), picsub = MediaPath("picsub.mkv");
    const std::string plain = dir / "plain.mp4", plainLate = dir / "plain-late.mp4",
                      plainPicsub = dir / "plain-picsub.mp4";
    ASSERT_EQ(Run("mp4", tracks, "", plain).exitCode, 0);
    ASSERT_EQ(Run("mp4", tracks, "-ss 2", plainLate).exitCode, 0);
    ASSERT_EQ(Run("mp4", picsub, "", plainPicsub).exitCode, 0);

    // A text subtitle ("Hello" from 0.5 to 3 s): there at 1 s, gone at 3.5 s.
    const std::string text = dir / "text.mp4";
    ToolRun r = Run("mp4", tracks, "-sid 0", text);
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_GT(Changed(text, plain, 1), 100);
    EXPECT_LT(Changed(text, plain, 3.5), 5);

    // From 2 s on, the subtitle keeps to the source's times: shown at 0.5 s
    // (2.5 s of the source), gone at 1.5 s (3.5 s).
    const std::string late = dir / "late.mp4";
    r = Run("mp4", tracks, "-ss 2 -sid 0", late);
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_GT(Changed(late, plainLate, 0.5), 100);
    EXPECT_LT(Changed(late, plainLate, 1.5), 5);

    // Pictures (a DVD subpicture in Matroska) and text of the same file.
    const std::string picture = dir / "picture.mp4", second = dir / "second.mp4";
    ASSERT_EQ(Run("mp4", picsub, "-sid 0", picture).exitCode, 0);
    EXPECT_GT(Changed(picture, plainPicsub, 1), 100);
    EXPECT_EQ(ProbeEntries(picture, "stream=index", "s"), "");
    ASSERT_EQ(Run("mp4", picsub, "-sid 1", second).exitCode, 0);
    EXPECT_GT(Changed(second, plainPicsub, 1), 50);
    EXPECT_LT(Changed(second, plainPicsub, 2.8), 5);

    // The filter reads the file by its name: one with the characters a
    // filter graph gives a meaning.
    const std::string odd = dir / "it's: a, [clip]; 50%.mkv";
    ASSERT_EQ(RunTool({"cp", tracks, odd}).exitCode, 0);
    r = Run("mp4", odd, "-sid 0", dir / "odd.mp4");
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_GT(Changed(dir / "odd.mp4", plain, 1), 100);

    ToolRun missing = Run("mp4", picsub, "-sid 2", dir / "x.mp4");
    EXPECT_NE(missing.exitCode, 0);
    EXPECT_NE(missing.output.find("has 2 subtitle tracks"), std::string::npos) << missing.output;
}

TEST_F(FileTracks, AKeptSubtitleIsATrackWhereTheContainerCarriesOne) {
    struct Case {
        const char* source;
        int sid;
        const char* format;
        std::string codec; // of the kept track; empty: burnt in
    };
    for (const char* source : {"tracks.mkv", "picsub.mkv"}) {
        const std::string plain = dir / (std::string("plain-") + source + ".mp4");
        ASSERT_EQ(Run("mp4", MediaPath(source), "", plain).exitCode, 0);
    }
    for (const Case& c :
         {Case{"tracks.mkv", 0, "matroska", "subrip"}, Case{"tracks.mkv", 0, "mp4", "mov_text"},
          Case{"picsub.mkv", 0, "matroska", "dvd_subtitle"},
          Case{"picsub.mkv", 1, "matroska", "subrip"}, Case{"picsub.mkv", 0, "mp4", ""},
          Case{"tracks.mkv", 0, "avi", ""}}) {
        const std::string out = dir / (std::string("kept.") + c.format);
        const std::string label =
            std::string(c.source) + " -sid " + std::to_string(c.sid) + " into " + c.format;
        ToolRun r =
            Run(c.format, MediaPath(c.source), "-sid " + std::to_string(c.sid) + " -keep-sid", out);
        ASSERT_EQ(r.exitCode, 0) << label << "\n" << r.output;
        EXPECT_EQ(ProbeEntries(out, "stream=codec_name", "s"),
                  c.codec.empty() ? "" : c.codec + "\n")
            << label;
        const int changed = Changed(out, dir / (std::string("plain-") + c.source + ".mp4"), 1);
        EXPECT_EQ(changed > 50, c.codec.empty()) << label << ": " << changed << " pixels changed";
    }
    // The kept track keeps its language.
    ASSERT_EQ(
        Run("matroska", MediaPath("picsub.mkv"), "-sid 1 -keep-sid", dir / "lang.mkv").exitCode, 0);
    EXPECT_EQ(ProbeEntries(dir / "lang.mkv", "stream_tags=language", "s"), "ger\n");
}

TEST_F(FileTracks, TagsChaptersAndCoverArtSurvive) {
    const std::string expected = "Quiet Hour,Test Band,Test Album,2021,made for tests\n";
    auto Tags = [](const std::string& file) {
        std::string tags;
        for (const char* tag : {"title", "artist", "album", "date", "comment"}) {
            std::string value = ProbeEntries(file, std::string("format_tags=") + tag);
            if (!tags.empty())
                tags += ',';
            tags.append(value, 0, value.find('\n'));
        }
        return tags + "\n";
    };
    // A video with tags, a creation time and two chapters, into MKV and MP4.
    for (const char* format : {"matroska", "mp4"}) {
        const std::string out = dir / (std::string("tagged.") + format);
        ToolRun r = Run(format, MediaPath("tagged.mp4"), "", out);
        ASSERT_EQ(r.exitCode, 0) << format << "\n" << r.output;
        EXPECT_EQ(Tags(out), expected) << format;
        EXPECT_EQ(ProbeEntries(out, "format_tags=creation_time").substr(0, 19),
                  "2021-05-04T03:02:01")
            << format;
        EXPECT_EQ(ProbeEntries(out, "chapter=start_time"), "0.000000\n1.500000\n") << format;
    }
    // Sound with a cover: the tags and the picture into MP3, M4A and FLAC.
    for (const char* source : {"tagged.flac", "cover.mp3", "cover.m4a"}) {
        for (auto [codec, format] :
             {std::pair{"-oac mp3lame -lameopts cbr:br=128", "-of rawaudio -o x.mp3"},
              {"-oac faac -faacopts br=96", "-of lavf -lavfopts format=ipod -o x.m4a"},
              {"-oac lavc -lavcopts acodec=flac", "-of lavf -lavfopts format=flac -o x.flac"}}) {
            const std::string to = format;
            const std::string name = to.substr(to.rfind(' ') + 1);
            ToolRun r =
                RunQuenzo(std::string("-ovc frameno ") + codec + " \"" + MediaPath(source) + "\" " +
                          to.substr(0, to.rfind(' ') + 1) + "\"" + (dir / name) + "\"");
            ASSERT_EQ(r.exitCode, 0) << source << " to " << name << "\n" << r.output;
            EXPECT_EQ(ProbeEntries(dir / name, "stream_disposition=attached_pic", "v"), "1\n")
                << source << " to " << name;
            if (std::string(source) == "tagged.flac") {
                EXPECT_EQ(Tags(dir / name), expected) << name;
            }
        }
    }
}
