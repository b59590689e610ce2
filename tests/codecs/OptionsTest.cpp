// The translation of MEncoder options into FFmpeg's, where the result is not
// visible in a converted file.
#include "quenzo/Translate.h"

#include "platform/CommandLine.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

std::string Ffmpeg(const std::string& options, std::string* error = nullptr) {
    quenzo::EncodeJob job;
    std::string e;
    if (!quenzo::ParseArguments(qv::SplitCommandLine(options), job, &e)) {
        if (error)
            *error = e;
        return "";
    }
    quenzo::Plan plan;
    if (!quenzo::Translate(job, {}, "ffmpeg", plan, &e)) {
        if (error)
            *error = e;
        return "";
    }
    std::string line;
    for (const std::string& a : plan.ffmpeg)
        line += " " + a;
    return line;
}

} // namespace

TEST(QuenzoOptions, BitRatesSubOptionsAndRepeatedLavcopts) {
    std::string f = Ffmpeg(
        "-oac lavc -lavcopts acodec=wmav2:abitrate=128 -ovc lavc -lavcopts "
        "vcodec=wmv2:vbitrate=20000:threads=2 -of lavf -lavfopts format=asf in.avi -o o.wmv");
    EXPECT_NE(f.find(" -c:v wmv2 -b:v 20000 -threads 2"), std::string::npos) << f;
    EXPECT_NE(f.find(" -ac 2 -c:a wmav2 -b:a 128k"), std::string::npos) << f;
    EXPECT_NE(f.find(" -f asf -y o.wmv"), std::string::npos) << f;

    f = Ffmpeg("-ovc xvid -xvidencopts bitrate=1200:max_bframes=0 -oac mp3lame -lameopts "
               "cbr:br=64:mode=3 in.avi -o o.avi");
    EXPECT_NE(f.find(" -c:v libxvid -b:v 1200k -bf 0"), std::string::npos) << f;
    EXPECT_NE(f.find(" -b:a 64k -ac 1"), std::string::npos) << f;
    EXPECT_EQ(f.find(" -ac 2"), std::string::npos) << f;

    f = Ffmpeg("-ovc x264 -ffourcc H264 -x264encopts bitrate=700:subq=5:frameref=2:nocabac:"
               "level_idc=30:threads=0 -oac faac -faacopts br=128:mpeg=4:object=2 in.avi -o o.avi");
    EXPECT_NE(
        f.find(" -c:v libx264 -b:v 700k -threads 0 -x264-params subme=5:ref=2:cabac=0:level=30"),
        std::string::npos)
        << f;
    EXPECT_NE(f.find(" -c:a aac -b:a 128k -profile:a aac_low"), std::string::npos) << f;
    EXPECT_NE(f.find(" -tag:v H264 -f avi"), std::string::npos) << f;
}

TEST(QuenzoOptions, DvdTitlesMapMPlayerStreamIds) {
    // MPEG audio stream n is -aid n, carried in pack stream 0x1c0+n.
    std::string f =
        Ffmpeg("-ovc copy -oac copy -dvd-device /media/DVD dvd://3 -aid 1 -o o.mpg -of mpeg");
    EXPECT_NE(f.find(" -f mpeg -i pipe:0"), std::string::npos) << f;
    EXPECT_NE(f.find(" -map 0:i:0x1c1"), std::string::npos) << f;
    f = Ffmpeg("-ovc lavc -lavcopts vcodec=mpeg4 -oac pcm -dvd-device /media/DVD dvdnav://1 -sid 2 "
               "-aid 129 -vf-add scale=640:480 -o o.avi");
    EXPECT_NE(f.find(" -filter_complex [0:v:0][0:i:0x22]overlay,scale="), std::string::npos) << f;
    EXPECT_NE(f.find(" -map [v]"), std::string::npos) << f;
    EXPECT_NE(f.find(" -map 0:i:0x81"), std::string::npos) << f;
}

TEST(QuenzoOptions, RefusesWhatItCannotDo) {
    struct Case {
        const char* options;
        const char* reason;
    } cases[] = {
        {"in.avi", "no output file"},
        {"-o o.avi", "no input file"},
        {"-ovc xvid a.avi b.avi -o o.avi -nosound", "more than one input"},
        {"-ovc h265 in.avi -o o.avi", "-ovc does not know \"h265\""},
        {"-ovc xvid in.avi -o o.avi", "no audio encoder"},
        {"-ovc lavc -lavcopts vcodec=theora -nosound in.avi -o o.avi",
         "unknown lavc video codec theora"},
        {"-ovc lavc -lavcopts vbitrate=5 -nosound in.avi -o o.avi", "needs vcodec="},
        {"-ovc copy -nosound -vf-add scale=2:2 in.avi -o o.avi", "copied video stream"},
        {"-ovc copy -nosound -of lavf -lavfopts format=rm in.avi -o o.rm", "unknown lavf format"},
        {"-ss 1:2:3:4 -ovc copy -nosound in.avi -o o.avi", "-ss expects a time"},
        {"-ofps 0 -ovc copy -nosound in.avi -o o.avi", "-ofps expects a frame rate"},
        {"-ofps 25 -ovc copy -nosound dvd://100 -o o.avi", "names no DVD title"},
        {"-ovc lavc -lavcopts vcodec=mpeg4 -nosound -vf-add expand=1:2:3:4:5:6:7:8 in.avi -o o.avi",
         "at most 7"},
        {"-ovc lavc -lavcopts vcodec=mpeg4 -nosound -vf-add scale=a:b in.avi -o o.avi",
         "expects numbers"},
    };
    for (const Case& k : cases) {
        std::string error;
        EXPECT_EQ(Ffmpeg(k.options, &error), "") << k.options;
        EXPECT_NE(error.find(k.reason), std::string::npos) << k.options << ": " << error;
    }
}
