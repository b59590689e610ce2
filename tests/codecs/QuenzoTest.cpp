#include "support/MediaInfo.h"
#include "support/TempDir.h"
#include "support/Tone.h"
#include "support/Tool.h"

#include "platform/CommandLine.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <sys/stat.h>
#include <thread>

using qvtest::MediaInfo;
using qvtest::RunTool;
using qvtest::ToolRun;

namespace {

const std::string kMarker = "退出..";

std::string Quenzo() {
    return qvtest::ProgramDir() + "codecs/quenzo";
}
std::string Media(const std::string& name) {
    return qvtest::MediaDir() + name;
}

// Runs quenzo with an option text as the program writes it.
ToolRun Encode(const std::string& options) {
    std::vector<std::string> args = qv::SplitCommandLine(options);
    args.insert(args.begin(), Quenzo());
    return RunTool(args);
}

const std::string kXvid = " -ovc xvid -xvidencopts bitrate=800 -oac mp3lame -lameopts cbr:br=96 ";

int CountPositions(const std::string& out) {
    int n = 0;
    for (size_t at = out.find("Pos:"); at != std::string::npos; at = out.find("Pos:", at + 1)) {
        size_t end = out.find_first_of("\r\n", at);
        EXPECT_NE(end, std::string::npos);
        EXPECT_EQ(out[end], '\r') << "a position line must end with a carriage return";
        ++n;
    }
    return n;
}

// Bright pixels (subtitle text on the grey picture) in the top and bottom
// halves of a file's frame at 2 s.
std::pair<int, int> BrightHalves(const std::string& file) {
    ToolRun r = RunTool({"ffmpeg", "-v", "quiet", "-ss", "2", "-i", file, "-frames:v", "1", "-vf",
                         "scale=176:144,format=gray", "-f", "rawvideo", "-"});
    std::pair<int, int> bright{0, 0};
    if (r.output.size() != 176 * 144)
        return {-1, -1};
    for (size_t i = 0; i < r.output.size(); ++i)
        if (static_cast<unsigned char>(r.output[i]) > 200)
            ++(i < r.output.size() / 2 ? bright.first : bright.second);
    return bright;
}

class QuenzoTest : public ::testing::Test {
protected:
    qvtest::TempDir dir;
    std::string Out(const std::string& name) { return dir / name; }
};

} // namespace

TEST_F(QuenzoTest, ConvertsWithProgressLinesAndExitsZero) {
    ToolRun r = Encode("-mc 0 -ofps 25 -srate 44100 -af volnorm" + kXvid + "\"" + Media("av.mp4") +
                       "\" -o \"" + Out("a.avi") + "\"");
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_EQ(r.output.find(kMarker), std::string::npos);
    EXPECT_GE(CountPositions(r.output), 3);
    EXPECT_NE(r.output.find("(100%)"), std::string::npos) << r.output;
    MediaInfo m(Out("a.avi"));
    EXPECT_EQ(m.Get(MediaInfo::General, "Format"), "AVI");
    EXPECT_EQ(m.Get(MediaInfo::Video, "Format"), "MPEG-4 Visual");
    EXPECT_EQ(m.Get(MediaInfo::Audio, "Format"), "MPEG Audio");
    EXPECT_EQ(m.Int(MediaInfo::Audio, "SamplingRate"), 44100);
    EXPECT_NEAR(m.Seconds(), 4.0, 0.2);
}

TEST_F(QuenzoTest, VideoFiltersGiveMEncodersFrameSizes) {
    struct Case {
        const char* input;
        const char* filters;
        int width, height;
    } cases[] = {
        {"wide.mkv", "-vf-add scale=640:-2,expand=:480:::,crop=640:480", 640, 480},
        {"av.mp4", "-vf-add scale=640:-2,expand=:480:::,crop=640:480", 640, 480},
        {"wide.mkv", "-vf-add scale=640:-10", 640, 352},
        {"wide.mkv", "-vf-add scale=-2:480,expand=640,crop=640:480", 640, 480},
        {"wide.mkv", "-vf-add scale=-10:240", 432, 240},
        {"av.mp4", "-vf-add scale=-2:240", 320, 240},
        {"anamorphic.mp4", "-vf-add scale=0:0", 1024, 576},
        {"anamorphic.mp4", "-vf-add scale=-1:-1", 720, 576},
        {"anamorphic.mp4", "-vf-add scale=512:-2", 512, 288},
        {"av.mp4", "-vf-add expand=0:-50", 640, 530},
        {"av.mp4", "-vf-add expand=700:500:10:10", 700, 500},
        {"av.mp4", "-vf-add expand=100:100", 640, 480},
        {"av.mp4", "-vf-add crop=320:200", 320, 200},
        {"av.mp4", "-vf-add crop=2000:2000", 640, 480},
        {"av.mp4", "-vf scale=176:-2,expand=:144:::,crop=176:144", 176, 144},
        {"av.mp4", "-vf-add scale=352:288,yadif=3", 352, 288},
        {"av.mp4", "-vf-add scale=320:240,hqdn3d -vf-add harddup", 320, 240},
    };
    for (const Case& k : cases) {
        std::string out = Out("size.avi");
        ToolRun r = Encode(std::string("-ofps 25 -endpos 1 ") + k.filters +
                           " -ovc lavc -lavcopts vcodec=mpeg4:vbitrate=600 -nosound \"" +
                           Media(k.input) + "\" -o \"" + out + "\"");
        ASSERT_EQ(r.exitCode, 0) << k.filters << "\n" << r.output;
        MediaInfo m(out);
        EXPECT_EQ(m.Int(MediaInfo::Video, "Width"), k.width) << k.input << " " << k.filters;
        EXPECT_EQ(m.Int(MediaInfo::Video, "Height"), k.height) << k.input << " " << k.filters;
    }
}

TEST_F(QuenzoTest, FrameRatesAndTrimming) {
    struct Case {
        const char* options;
        double fps, seconds;
    } cases[] = {
        {"-ofps 30000/1001", 29.970, 4.0},
        {"-ofps 24000/1001", 23.976, 4.0},
        {"-ofps 15 -ss 00:00:01 -endpos 2", 15.0, 2.0},
        {"-ofps 25 -endpos 00:00:01", 25.0, 1.0},
        {"-ofps 25 -ss 3", 25.0, 1.0},
    };
    for (const Case& k : cases) {
        std::string out = Out("rate.mp4");
        ToolRun r = Encode(std::string(k.options) +
                           " -ovc x264 -x264encopts bitrate=500:threads=0 -oac faac "
                           "-faacopts br=96:mpeg=4:object=2 -of lavf -lavfopts format=mp4 \"" +
                           Media("av.mp4") + "\" -o \"" + out + "\"");
        ASSERT_EQ(r.exitCode, 0) << k.options << "\n" << r.output;
        MediaInfo m(out);
        EXPECT_NEAR(m.Number(MediaInfo::Video, "FrameRate"), k.fps, 0.001) << k.options;
        EXPECT_NEAR(m.Seconds(), k.seconds, 0.15) << k.options;
    }
}

TEST_F(QuenzoTest, DvdTitleWithTheChosenAudioStream) {
    for (int aid : {128, 129}) {
        std::string out = Out("dvd.mkv");
        ToolRun r =
            Encode("-mc 0.1 -ofps 25 -srate 48000 -af volnorm -vf-add scale=0:0 "
                   "-of lavf -lavfopts format=matroska -oac lavc -lavcopts acodec=ac3:abitrate=192 "
                   "-ovc lavc -lavcopts vcodec=mpeg4:vbitrate=800 -dvd-device \"" +
                   Media("dvd") + "\" dvd://1 -aid " + std::to_string(aid) + " -o \"" + out + "\"");
        ASSERT_EQ(r.exitCode, 0) << r.output;
        EXPECT_GE(CountPositions(r.output), 2);
        MediaInfo m(out);
        // Track 128 is the stereo one, 129 the mono one.
        EXPECT_EQ(m.Int(MediaInfo::Audio, "Channels"), aid == 128 ? 2 : 1);
        EXPECT_EQ(m.Int(MediaInfo::Video, "Width"), 768); // 4:3 PAL shown square
        EXPECT_NEAR(m.Seconds(), 5.0, 0.3);
    }
    ToolRun r = Encode("-ovc copy -oac copy -dvd-device \"" + Media("dvd") + "\" dvdnav://2 -o \"" +
                       Out("t2.mpg") + "\" -of mpeg");
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_NEAR(MediaInfo(Out("t2.mpg")).Seconds(), 2.0, 0.3);
}

TEST_F(QuenzoTest, EachDvdAudioFormatAndSubpictureStreamByThePlayersNumbers) {
    const std::string source = " -dvd-device \"" + Media("dvdmix") + "\" ";
    const std::string codecs =
        "-of lavf -lavfopts format=matroska -oac lavc -lavcopts "
        "acodec=ac3:abitrate=192 -ovc lavc -lavcopts vcodec=mpeg4:vbitrate=800";
    // AC-3 at 440 Hz, MPEG audio at 660 Hz, LPCM at 990 Hz.
    for (auto [aid, tone] : {std::pair{128, 440.0}, {0, 660.0}, {160, 990.0}}) {
        const std::string out = Out("tone" + std::to_string(aid) + ".mkv");
        ToolRun r =
            Encode(codecs + source + "dvd://1 -aid " + std::to_string(aid) + " -o \"" + out + "\"");
        ASSERT_EQ(r.exitCode, 0) << r.output;
        EXPECT_NEAR(qvtest::ToneOf(out), tone, tone * 0.03) << "-aid " << aid;
    }
    EXPECT_NE(Encode(codecs + source + "dvd://1 -aid 192 -o \"" + Out("x.mkv") + "\"").exitCode, 0);

    // Stream 0 shows at the top, stream 1 at the bottom; title 2 has only 1.
    struct Case {
        int title, sid;
        bool top, bottom;
    };
    for (Case c : {Case{1, -1, false, false}, Case{1, 0, true, false}, Case{1, 1, false, true},
                   Case{2, 1, false, true}}) {
        const std::string out = Out("sub.mkv");
        ToolRun r =
            Encode(codecs + source + "dvd://" + std::to_string(c.title) +
                   (c.sid >= 0 ? " -sid " + std::to_string(c.sid) : "") + " -o \"" + out + "\"");
        ASSERT_EQ(r.exitCode, 0) << r.output;
        const auto [top, bottom] = BrightHalves(out);
        EXPECT_EQ(top > 20, c.top) << "title " << c.title << " -sid " << c.sid << ": " << top;
        EXPECT_EQ(bottom > 20, c.bottom)
            << "title " << c.title << " -sid " << c.sid << ": " << bottom;
    }
}

TEST_F(QuenzoTest, RawStreamsOfTheRemuxStepMakeAnMp4) {
    // The encoder's intermediate AVI, then the four tool runs of the remux.
    const std::string avi = Out("tmp_clip.avi"), v = Out("tmp_clip.264"), a = Out("tmp_clip.aac"),
                      mp4 = Out("clip.mp4");
    ASSERT_EQ(Encode("-mc 0 -ofps 30000/1001 -srate 44100 -af volnorm -oac faac "
                     "-faacopts br=128:mpeg=4:object=2 -ovc x264 -ffourcc H264 -x264encopts "
                     "bitrate=600:level_idc=30:bframes=0:nocabac:threads=0 \"" +
                     Media("av.mp4") + "\" -o \"" + avi + "\"")
                  .exitCode,
              0);
    EXPECT_EQ(Encode("-ovc copy -nosound  -of rawvideo -o \"" + v + "\" \"" + avi + "\"").exitCode,
              0);
    EXPECT_EQ(
        Encode("-ovc frameno -oac copy -of rawaudio -o \"" + a + "\" \"" + avi + "\"").exitCode, 0);
    const std::string creator = qvtest::ProgramDir() + "codecs/mp4creator";
    ToolRun c1 = RunTool({creator, "-c", v, "-rate=29.97", mp4});
    ASSERT_EQ(c1.exitCode, 0) << c1.output;
    ToolRun c2 = RunTool({creator, "-c", a, mp4});
    ASSERT_EQ(c2.exitCode, 0) << c2.output;
    MediaInfo m(mp4);
    EXPECT_EQ(m.Get(MediaInfo::General, "Format"), "MPEG-4");
    EXPECT_EQ(m.Get(MediaInfo::Video, "Format"), "AVC");
    EXPECT_EQ(m.Get(MediaInfo::Audio, "Format"), "AAC");
    EXPECT_NEAR(m.Number(MediaInfo::Video, "FrameRate"), 29.970, 0.001);
    EXPECT_NEAR(m.Seconds(), 4.0, 0.2);
}

TEST_F(QuenzoTest, Mp4creatorFailsCleanly) {
    const std::string creator = qvtest::ProgramDir() + "codecs/mp4creator";
    const std::string mp4 = Out("x.mp4");
    ToolRun r = RunTool({creator, "-c", Out("missing.264"), "-rate=25", mp4});
    EXPECT_NE(r.exitCode, 0);
    EXPECT_NE(r.output.find("mp4creator: "), std::string::npos);
    EXPECT_FALSE(qvtest::FileExists(mp4));

    qvtest::WriteFile(Out("junk.264"), std::string(5000, '\x42'));
    r = RunTool({creator, "-c", Out("junk.264"), "-rate=25", mp4});
    EXPECT_NE(r.exitCode, 0);
    EXPECT_FALSE(qvtest::FileExists(mp4));

    // A failed second run keeps the first run's file as it was.
    qvtest::WriteFile(mp4, "earlier");
    qvtest::WriteFile(Out("junk.aac"), std::string(3000, '\x13'));
    r = RunTool({creator, "-c", Out("junk.aac"), mp4});
    EXPECT_NE(r.exitCode, 0);
    EXPECT_EQ(qvtest::ReadFile(mp4), "earlier");
    EXPECT_NE(RunTool({creator, "-c", Out("junk.264"), "-rate=fast", mp4}).exitCode, 0);
    EXPECT_NE(RunTool({creator, "-x", mp4}).exitCode, 0);
}

TEST_F(QuenzoTest, BadInputEndsWithTheMarkerAndNoFinishedOutput) {
    ::mkdir(Out("folder.avi").c_str(), 0755);
    const std::string out = Out("bad.avi");
    const std::string file = " \"" + Media("av.mp4") + "\" -o \"" + out + "\"";
    struct Case {
        std::string options;
        const char* reason;
    } cases[] = {
        {kXvid + "\"" + Out("missing.mp4") + "\" -o \"" + out + "\"", "cannot open the input file"},
        {kXvid + "\"" + dir.path() + "\" -o \"" + out + "\"", "is a folder"},
        {kXvid + "\"" + Media("truncated.avi") + "\" -o \"" + out + "\"", "truncated"},
        {"-frobnicate" + kXvid + file, "unknown option -frobnicate"},
        {kXvid + file + " -srate", "option -srate needs a value"},
        {kXvid + "-vf-add scale=-2:-2" + file, "neither size"},
        {kXvid + "-vf-add blur" + file, "unknown video filter blur"},
        {kXvid + "-af nonorm" + file, "unknown audio filter nonorm"},
        {"-ovc x264 -x264encopts bitrate=500:psy=1 -nosound" + file,
         "does not know the option psy"},
        {kXvid + "\"" + Media("av.mp4") + "\" -o \"" + Out("no/such/folder/x.avi") + "\"",
         "does not exist"},
        {kXvid + "\"" + Media("av.mp4") + "\" -o \"/proc/x.avi\"", "cannot write"},
        {kXvid + "\"" + Media("sound.wav") + "\" -o \"" + out + "\"", "no stream"},
        {"-ovc copy -oac copy -dvd-device \"" + Media("dvd") + "\" dvd://7 -o \"" + out + "\"",
         "no title 7"},
        {"-oac lavc -lavcopts acodec=libamr_nb:abitrate=12 -ovc lavc -lavcopts vcodec=h263" + file,
         "AMR"},
    };
    for (const Case& k : cases) {
        ToolRun r = Encode(k.options);
        EXPECT_NE(r.exitCode, 0) << k.options;
        size_t marker = r.output.find(kMarker);
        ASSERT_NE(marker, std::string::npos) << k.options << "\n" << r.output;
        EXPECT_NE(r.output.find(k.reason, marker), std::string::npos) << r.output;
        EXPECT_FALSE(qvtest::FileExists(out)) << k.options;
        ::unlink((out + ".partial").c_str());
    }
}

TEST_F(QuenzoTest, AFullDiskEndsWithTheMarker) {
    // A 300 KiB file system in a mount namespace of its own.
    const std::string mnt = Out("small");
    ::mkdir(mnt.c_str(), 0755);
    ToolRun r = RunTool({"unshare", "-rm", "sh", "-c",
                         "mount -t tmpfs -o size=300k tmpfs \"$1\" && shift && exec \"$@\"", "sh",
                         mnt, Quenzo(), "-ovc", "lavc", "-lavcopts", "vcodec=mpeg4:vbitrate=4000",
                         "-nosound", Media("av.mp4"), "-o", mnt + "/full.avi"});
    EXPECT_NE(r.exitCode, 0);
    size_t marker = r.output.find(kMarker);
    ASSERT_NE(marker, std::string::npos) << r.output;
    EXPECT_NE(r.output.find("disk is full", marker), std::string::npos) << r.output;
}

TEST_F(QuenzoTest, KillingItsProcessGroupEndsFfmpegToo) {
    // A named pipe as input: FFmpeg waits on it for ever.
    const std::string fifo = Out("input.mp4");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    qv::ChildProcess q;
    qv::ChildProcess::Options o;
    o.pipeInput = false;
    ASSERT_TRUE(
        q.Start({Quenzo(), "-ovc", "copy", "-nosound", fifo, "-o", Out("never.avi")}, o, nullptr));
    // Wait for FFmpeg to appear in quenzo's group.
    std::string pids;
    for (int i = 0; i < 200 && pids.empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ToolRun ps = RunTool({"pgrep", "-g", std::to_string(q.Pid()), "ffmpeg"});
        pids = ps.output;
    }
    ASSERT_FALSE(pids.empty());
    q.Terminate();
    bool gone = false;
    for (int i = 0; i < 200 && !gone; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        gone = RunTool({"pgrep", "-g", std::to_string(q.Pid())}).exitCode != 0;
    }
    EXPECT_TRUE(gone);
}
