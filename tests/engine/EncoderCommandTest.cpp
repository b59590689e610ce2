#include "engine/EncoderCommand.h"

#include "platform/CommandLine.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace qv;

namespace {

const std::string kProgram = "/opt/quorvane/";

template <typename Entry>
void SetEntry(Entry& e, const char* name, const char* family, const char* options,
              const char* filters) {
    SetFieldText(e.name, name);
    SetFieldText(e.family, family);
    SetFieldText(e.options, options);
    SetFieldText(e.filters, filters);
}

void SetVideo(ProfileRecord& p, int i, const char* name, const char* family,
              const char* options = "", const char* filters = "") {
    SetEntry(p.videoCodecs[i], name, family, options, filters);
    p.videoCodecCount = std::max(p.videoCodecCount, i + 1);
}

void SetAudio(ProfileRecord& p, int i, const char* name, const char* family,
              const char* options = "", const char* filters = "") {
    SetEntry(p.audioCodecs[i], name, family, options, filters);
    p.audioCodecCount = std::max(p.audioCodecCount, i + 1);
}

ProfileRecord VideoProfile(const char* videoCodec = "xvid", const char* audioCodec = "mp3") {
    ProfileRecord p{};
    SetFieldText(p.name, "AVI XviD");
    SetFieldText(p.kind, "video");
    SetVideo(p, 0, "xvid", "xvid");
    SetVideo(p, 1, "x264", "X264", "subq=5:bframes=2");
    SetVideo(p, 2, "mpeg4", "lavc", "mbd=2", "hqdn3d");
    SetVideo(p, 3, "h263", "lavc");
    SetVideo(p, 4, "copy", "copy");
    SetAudio(p, 0, "mp3", "mp3lame", "vbr=0");
    SetAudio(p, 1, "aac", "faac", "ignored=1");
    SetAudio(p, 2, "ac3", "lavc", "", "volume=5");
    SetAudio(p, 3, "libamr_nb", "lavc");
    SetAudio(p, 4, "pcm", "PCM");
    SetAudio(p, 5, "copy", "copy");
    SetFieldText(p.videoCodec, videoCodec);
    SetFieldText(p.audioCodec, audioCodec);
    p.width = 640;
    p.height = 480;
    SetFieldText(p.frameRate, "Auto");
    p.videoBitRate = 1000;
    p.audioBitRate = 128;
    p.sampleRate = 44100;
    p.channels = 2;
    SetFieldText(p.outputFormat, "avi");
    return p;
}

CMediaRecord FileJob(const std::string& path = "/media/clip one.mkv") {
    CMediaRecord job;
    job.kind = KindFile;
    job.sourcePath = path;
    job.baseName = FileBaseName(path);
    job.fullLength = "00:10:00";
    job.trimStart = "00:00:00";
    job.trimEnd = "00:10:00";
    job.width = 720;
    job.height = 576;
    job.frameRate = "25";
    return job;
}

CMediaRecord DvdJob() {
    CMediaRecord job;
    job.kind = KindDvdTitle;
    job.sourcePath = "/media/DVD/VIDEO_TS/";
    job.baseName = DvdTitleBaseName("MOVIE", 2);
    job.titleNumber = 2;
    job.fullLength = "01:30:00";
    job.trimStart = "00:00:00";
    job.trimEnd = "01:30:00";
    job.frameRate = "29.97";
    job.audioTracks = {TrackEntry::Make("English AC3 2ch 48000Hz", 128),
                       TrackEntry::Make("Chinese AC3 6ch 48000Hz", 129)};
    job.subtitleTracks = {TrackEntry::Make("English", 0), TrackEntry::Make("Chinese", 1)};
    job.audioIndex = 0;
    return job;
}

class EncoderCommandTest : public ::testing::Test {
protected:
    qvtest::TempDir dir;
    EngineSettings settings;

    EncoderCommand Build(CMediaRecord& job, const ProfileRecord& p) {
        return BuildEncoderCommand(job, p, settings, dir.path(), kProgram);
    }
    EncoderCommand Build(CMediaRecord&& job, const ProfileRecord& p) { return Build(job, p); }
};

} // namespace

TEST_F(EncoderCommandTest, WholeFileJobWithDefaultSettings) {
    CMediaRecord job = FileJob();
    EncoderCommand c = Build(job, VideoProfile());
    const std::string out = dir / "clip one.avi";
    EXPECT_EQ(c.commandLine, "\"/opt/quorvane/codecs/quenzo\" -mc 0   -ofps 25 -srate 44100 "
                             "-af volnorm  -vf-add scale=640:-2,expand=:480:::,crop=640:480   "
                             "-oac mp3lame -lameopts cbr:br=128:mode=0:vbr=0  -ovc xvid "
                             "-xvidencopts bitrate=1000:threads=2 \"/media/clip one.mkv\" -o \"" +
                                 out + "\"");
    EXPECT_EQ(c.encoderOutputPath, out);
    EXPECT_EQ(job.outputPath, out);
    EXPECT_EQ(c.frameRate, "25");
}

TEST_F(EncoderCommandTest, WholeTrimmedDvdTitleJobWithTracks) {
    ProfileRecord p = VideoProfile("x264", "aac");
    p.width = p.height = -1;
    SetFieldText(p.outputFormat, "mp4");
    SetFieldText(p.muxerOptions, "-of lavf -lavfopts format=mp4");
    SetFieldText(p.extraParams, "-noskip");
    CMediaRecord job = DvdJob();
    job.audioIndex = 1;
    job.subtitleIndex = 1;
    job.trimStart = "00:01:00";
    job.trimEnd = "00:02:00";
    EncoderCommand c = Build(job, p);
    EXPECT_EQ(c.commandLine,
              "\"/opt/quorvane/codecs/quenzo\" -mc 0.1 -noskip  -ss 00:01:00 -endpos 60 "
              "-ofps 30000/1001 -srate 44100 -af volnorm  -vf-add scale=0:0 "
              "-of lavf -lavfopts format=mp4  -oac faac -faacopts br=128:mpeg=4:object=2  "
              "-ovc x264 -ffourcc H264 -x264encopts bitrate=1000:subq=5:bframes=2:threads=0 "
              "-dvd-device \"/media/DVD/VIDEO_TS\" dvd://2 -sid 1 -aid 129 -o \"" +
                  dir / "MOVIE_Title_2.mp4" + "\"");
    EXPECT_EQ(c.frameRate, "29.97");
}

TEST_F(EncoderCommandTest, WholeAudioOnlyJobTrimmedAtTheEnd) {
    ProfileRecord p{};
    SetFieldText(p.kind, "Audio");
    SetAudio(p, 0, "mp3", "mp3lame");
    SetFieldText(p.audioCodec, "mp3");
    p.audioBitRate = 192;
    p.sampleRate = 44100;
    p.channels = 1;
    SetFieldText(p.outputFormat, "mp3");
    SetFieldText(p.muxerOptions, "-of rawaudio");
    CMediaRecord job = FileJob("/music/song.flac");
    job.fullLength = "00:04:10";
    job.trimEnd = "00:03:00";
    EncoderCommand c = Build(job, p);
    EXPECT_EQ(c.commandLine, "\"/opt/quorvane/codecs/quenzo\"  -endpos 180 -srate 44100 "
                             "-af volnorm -of rawaudio  -oac mp3lame -lameopts cbr:br=192:mode=3  "
                             "\"/music/song.flac\" -o \"" +
                                 dir / "song.mp3" + "\"");
}

TEST_F(EncoderCommandTest, DvdAccessSchemeFollowsTheSettingAndTheTitleCount) {
    struct Case {
        int access, many;
        const char* scheme;
    } cases[] = {{1, 0, " dvd://2"},    {1, 1, " dvdnav://2"}, {3, 0, " dvdnav://2"},
                 {3, 1, " dvdnav://2"}, {0, 1, " dvd://2"},    {2, 1, " dvd://2"}};
    for (const Case& k : cases) {
        settings.DVDAccess = k.access;
        CMediaRecord job = DvdJob();
        job.manyTitles = k.many;
        EncoderCommand c = Build(job, VideoProfile());
        EXPECT_EQ(c.Source,
                  std::string("-dvd-device \"/media/DVD/VIDEO_TS\"") + k.scheme + " -aid 128")
            << k.access << "/" << k.many;
        EXPECT_EQ(c.McParam, "-mc 0.1");
    }
}

TEST_F(EncoderCommandTest, TrackChoicesSendStreamIdsAndSkipIndexesOutOfRange) {
    CMediaRecord job = DvdJob();
    job.audioIndex = -1;
    job.subtitleIndex = 0;
    job.subtitleTracks[0].streamId = 7;
    EXPECT_EQ(Build(job, VideoProfile()).Source,
              "-dvd-device \"/media/DVD/VIDEO_TS\" dvd://2 -sid 7");
    job.audioIndex = 5;
    job.subtitleIndex = 9;
    EXPECT_EQ(Build(job, VideoProfile()).Source, "-dvd-device \"/media/DVD/VIDEO_TS\" dvd://2");
}

TEST_F(EncoderCommandTest, AFilesTracksAreSentByTheirNumbersWithTheKeepChoice) {
    CMediaRecord job = FileJob();
    EXPECT_EQ(Build(job, VideoProfile()).Source, "\"/media/clip one.mkv\"");
    job.audioTracks = {TrackEntry::Make("English", 0), TrackEntry::Make("German", 1)};
    job.subtitleTracks = {TrackEntry::Make("French", 0)};
    job.audioIndex = 1;
    job.subtitleIndex = 0;
    EXPECT_EQ(Build(job, VideoProfile()).Source, "\"/media/clip one.mkv\" -aid 1 -sid 0");
    job.keepSubtitle = 1;
    EXPECT_EQ(Build(job, VideoProfile()).Source, "\"/media/clip one.mkv\" -aid 1 -sid 0 -keep-sid");
    job.subtitleIndex = 1;
    EXPECT_EQ(Build(job, VideoProfile()).Source, "\"/media/clip one.mkv\" -aid 1");
}

TEST_F(EncoderCommandTest, VideoFilterFollowsSizeAndFitSettings) {
    struct Case {
        int fitW, fitH, expand, round16;
        const char* codec;
        const char* filter;
    } cases[] = {
        {1, 0, 1, 0, "xvid", " -vf-add scale=640:-2,expand=:480:::,crop=640:480"},
        {1, 1, 1, 1, "xvid", " -vf-add scale=640:-10,expand=:480:::,crop=640:480"},
        {1, 0, 0, 0, "xvid", " -vf-add scale=640:-2"},
        {0, 0, 1, 0, "xvid", " -vf-add scale=640:480"},
        {0, 1, 1, 0, "xvid", " -vf-add scale=-2:480,expand=640,crop=640:480"},
        {0, 1, 0, 1, "xvid", " -vf-add scale=-10:480"},
        {0, 0, 0, 1, "h263", "-vf scale=-2:480,expand=640,crop=640:480"},
        {0, 1, 0, 0, "h263", "-vf scale=-2:480,expand=640,crop=640:480"},
        {1, 0, 0, 1, "h263", "-vf scale=640:-2,expand=:480:::,crop=640:480"},
        {1, 0, 1, 0, "mpeg4", " -vf-add scale=640:-2,expand=:480:::,crop=640:480,hqdn3d"},
    };
    for (const Case& k : cases) {
        settings.FitWidth = k.fitW;
        settings.FitHeight = k.fitH;
        settings.ExpandToVideoSize = k.expand;
        settings.RoundTo16Pix = k.round16;
        EXPECT_EQ(Build(FileJob(), VideoProfile(k.codec)).VFilter, k.filter)
            << k.fitW << k.fitH << k.expand << k.round16 << k.codec;
    }
}

TEST_F(EncoderCommandTest, KeptSizeScalesToTheSourceAndFrameDoublingDeinterlaces) {
    ProfileRecord p = VideoProfile("h263");
    p.height = -1;
    CMediaRecord file = FileJob();
    file.frameMode = "Frame doubling";
    EXPECT_EQ(Build(file, p).VFilter, " -vf-add scale=720:576,yadif=3");
    EXPECT_EQ(Build(DvdJob(), p).VFilter, " -vf-add scale=0:0");
    p = VideoProfile("mpeg4");
    p.width = -1;
    EXPECT_EQ(Build(file, p).VFilter, " -vf-add scale=720:576,hqdn3d,yadif=3");
}

TEST_F(EncoderCommandTest, CodecFragments) {
    ProfileRecord p = VideoProfile("mpeg4", "ac3");
    EncoderCommand c = Build(FileJob(), p);
    EXPECT_EQ(c.VCodes, " -ovc lavc -lavcopts vcodec=mpeg4:vbitrate=1000:mbd=2:threads=2");
    EXPECT_EQ(c.ACodes, " -oac lavc -lavcopts acodec=ac3:abitrate=128");
    EXPECT_EQ(c.AFilter, "-af volnorm,volume=5");

    // The lavc codec name is the chosen name even when entry 0 stands in for it.
    SetVideo(p, 0, "mpeg4", "lavc");
    SetFieldText(p.videoCodec, "flv");
    settings.MultiThread = 0;
    EXPECT_EQ(Build(FileJob(), p).VCodes, " -ovc lavc -lavcopts vcodec=flv:vbitrate=1000");

    settings.MultiThread = 1;
    p = VideoProfile("x264", "aac");
    p.noThreads = 1;
    c = Build(FileJob(), p);
    EXPECT_EQ(c.VCodes, " -ovc x264 -ffourcc H264 -x264encopts bitrate=1000:subq=5:bframes=2");
    EXPECT_EQ(c.ACodes, " -oac faac -faacopts br=128:mpeg=4:object=2");

    p = VideoProfile("copy", "pcm");
    c = Build(FileJob(), p);
    EXPECT_EQ(c.VCodes, " -ovc copy");
    EXPECT_EQ(c.ACodes, " -oac pcm");
    // A profile may keep the source's sound as it is.
    EXPECT_EQ(Build(FileJob(), VideoProfile("x264", "copy")).ACodes, " -oac copy");

    for (int channels : {1, 2, 6}) {
        p = VideoProfile();
        p.channels = channels;
        EXPECT_EQ(Build(FileJob(), p).ACodes, " -oac mp3lame -lameopts cbr:br=128:mode=" +
                                                  std::string(channels == 1 ? "3" : "0") +
                                                  ":vbr=0");
    }

    p = VideoProfile("xvid", "libamr_nb");
    p.sampleRate = 8000;
    p.channels = 1;
    c = Build(FileJob(), p);
    EXPECT_EQ(c.AFilter, "-af volnorm,lavcresample=8000,channels=1");
    EXPECT_EQ(c.SrateParam, "-srate 8000");

    SetFieldText(p.videoCodecs[0].family, "theora");
    SetFieldText(p.audioCodecs[3].family, "");
    c = Build(FileJob(), p);
    EXPECT_EQ(c.VCodes, "");
    EXPECT_EQ(c.ACodes, "");
}

TEST_F(EncoderCommandTest, TrimPoints) {
    CMediaRecord job = FileJob();
    EXPECT_EQ(Build(job, VideoProfile()).SeekParam, "");
    job.trimStart = "00:02:03";
    EXPECT_EQ(Build(job, VideoProfile()).SeekParam, " -ss 00:02:03");
    job.trimStart = "00:00:00";
    job.trimEnd = "00:05:00";
    EXPECT_EQ(Build(job, VideoProfile()).SeekParam, " -endpos 300");
    job.trimStart = "00:01:00";
    EXPECT_EQ(Build(job, VideoProfile()).SeekParam, " -ss 00:01:00 -endpos 240");
}

TEST_F(EncoderCommandTest, FrameRateChoice) {
    struct Case {
        const char* profileRate;
        const char* format;
        const char* sourceRate;
        SourceKind kind;
        const char* fps;
        const char* chosen;
    } cases[] = {
        {"Auto", "avi", "25", KindFile, "-ofps 25", "25"},
        {"29.97", "avi", "25", KindFile, "-ofps 30000/1001", "29.97"},
        {"23.97", "avi", "25", KindFile, "-ofps 24000/1001", "23.97"},
        {"29.97", "wmv", "25", KindFile, "-ofps 25", "25"},
        {"29.97", "wmv", "30", KindFile, "-ofps 30000/1001", "29.97"},
        {"25", "wmv", "", KindFile, "-ofps 25", "25"},
        {"25", "wmv", "nan", KindFile, "-ofps 25", "25"},
        {"29.97", "wmv", "25", KindDvdTitle, "-ofps 24000/1001", "23.97"},
        {"Auto", "wmv", "25", KindDvdTitle, "-ofps 24000/1001", "23.97"},
    };
    for (const Case& k : cases) {
        ProfileRecord p = VideoProfile();
        SetFieldText(p.frameRate, k.profileRate);
        SetFieldText(p.outputFormat, k.format);
        CMediaRecord job = k.kind == KindFile ? FileJob() : DvdJob();
        job.frameRate = k.sourceRate;
        EncoderCommand c = Build(job, p);
        EXPECT_EQ(c.FpsParam, k.fps) << k.profileRate << " " << k.format << " " << k.sourceRate;
        EXPECT_EQ(c.frameRate, k.chosen);
    }
}

TEST_F(EncoderCommandTest, OutputNamesAreNumberedPastExistingFiles) {
    qvtest::WriteFile(dir / "clip.avi", "a");
    qvtest::WriteFile(dir / "clip(1).avi", "b");
    CMediaRecord job = FileJob("/media/clip.avi");
    EXPECT_EQ(Build(job, VideoProfile()).encoderOutputPath, dir / "clip(2).avi");
    EXPECT_EQ(job.outputPath, dir / "clip(2).avi");

    // A folder of that name counts as taken; a dot in a folder is no extension.
    ::mkdir((dir / "taken.avi").c_str(), 0755);
    EXPECT_EQ(MakeUniquePath(dir / "taken.avi"), dir / "taken(1).avi");
    ::mkdir((dir / "a.d").c_str(), 0755);
    qvtest::WriteFile(dir / "a.d/noext", "");
    EXPECT_EQ(MakeUniquePath(dir / "a.d/noext"), dir / "a.d/noext(1)");
    EXPECT_EQ(MakeUniquePath(dir / "free.avi"), dir / "free.avi");
}

TEST_F(EncoderCommandTest, RemuxFormatsWriteAFreeIntermediateAndNeverOverwriteAUsersFile) {
    ProfileRecord p = VideoProfile("x264", "aac");
    SetFieldText(p.outputFormat, "ipod_h264");
    qvtest::WriteFile(dir / "tmp_clip.avi", "the user's own file");
    qvtest::WriteFile(dir / "clip.mp4", "earlier result");
    CMediaRecord job = FileJob("/media/clip.mov");
    EncoderCommand c = Build(job, p);
    EXPECT_EQ(c.encoderOutputPath, dir / "tmp_clip(1).avi");
    EXPECT_EQ(job.outputPath, dir / "clip(1).mp4");
    EXPECT_EQ(c.OutParam, "-o \"" + dir / "tmp_clip(1).avi" + "\"");
    EXPECT_TRUE(IsRemuxFormat("ipod_mpeg4"));
    EXPECT_FALSE(IsRemuxFormat("mp4"));
}

TEST_F(EncoderCommandTest, OutputFolderWithOrWithoutItsSlash) {
    CMediaRecord job = FileJob("/media/x.avi");
    EncoderCommand a =
        BuildEncoderCommand(job, VideoProfile(), settings, dir.path() + "/", kProgram);
    EXPECT_EQ(a.encoderOutputPath, dir / "x.avi");
    EncoderCommand b = BuildEncoderCommand(job, VideoProfile(), settings, "", kProgram);
    EXPECT_EQ(b.encoderOutputPath, "x.avi");
}

TEST_F(EncoderCommandTest, HostilePathsArriveAsSingleArguments) {
    const std::string source = "-rf \"quoted\" 视频 \\dir\\.mkv";
    CMediaRecord job = FileJob(source);
    job.baseName = "out \"name\" -x";
    EncoderCommand c =
        BuildEncoderCommand(job, VideoProfile(), settings, dir.path(), "/opt/my \"odd\" folder/");
    std::vector<std::string> args = SplitCommandLine(c.commandLine);
    ASSERT_GE(args.size(), 3u);
    EXPECT_EQ(args.front(), "/opt/my \"odd\" folder/codecs/quenzo");
    EXPECT_EQ(args[args.size() - 3], "./" + source);
    EXPECT_EQ(args[args.size() - 2], "-o");
    EXPECT_EQ(args.back(), dir / "out \"name\" -x.avi");
}
