#include "probe/MediaProbe.h"

#include "engine/JobModel.h"
#include "support/Paths.h"
#include "support/RecordingServices.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace qv;

namespace {

std::string Media(const std::string& name) {
    return qvtest::MediaDir() + name;
}

} // namespace

TEST(MediaProbe, ReadsVideoAndAudioOnlyFiles) {
    qvtest::RecordingServices user;
    ProbeResult r;
    ASSERT_TRUE(ProbeMediaFile(Media("av.mp4"), r));
    EXPECT_EQ(r.lengthText, "00:00:04");
    EXPECT_EQ(r.width, 640);
    EXPECT_EQ(r.height, 480);
    EXPECT_EQ(r.frameRate, "25.000");
    ASSERT_TRUE(ProbeMediaFile(Media("film.avi"), r));
    EXPECT_EQ(r.frameRate, "23.976");

    ASSERT_TRUE(ProbeMediaFile(Media("sound.wav"), r));
    EXPECT_EQ(r.lengthText, "00:00:03");
    EXPECT_EQ(r.width, 0);
    EXPECT_EQ(r.height, 0);
    EXPECT_EQ(r.frameRate, "25");
    EXPECT_EQ(r.frameMode, "");
    // A cut file still states a length: it is accepted (the encoder finds the cut).
    ASSERT_TRUE(ProbeMediaFile(Media("truncated.avi"), r));
    EXPECT_EQ(r.width, 320);
    EXPECT_TRUE(user.boxes.empty());

    // A name in another script reaches the library intact.
    qvtest::TempDir dir;
    std::string copy = dir / "视频 clip.mp4";
    qvtest::WriteFile(copy, qvtest::ReadFile(Media("av.mp4")));
    ASSERT_TRUE(ProbeMediaFile(copy, r));
    CMediaRecord record;
    FillFileRecord(record, copy, r);
    EXPECT_EQ(record.baseName, "视频 clip");
    EXPECT_EQ(record.fullLength, "00:00:04");
    EXPECT_EQ(record.trimStart, "00:00:00");
    EXPECT_EQ(record.trimEnd, "00:00:04");
    EXPECT_EQ(record.kind, KindFile);
}

TEST(MediaProbe, TellsAnHdrPictureByItsTransfer) {
    qvtest::RecordingServices user;
    ProbeResult r;
    ASSERT_TRUE(ProbeMediaFile(Media("hdr10.mkv"), r));
    EXPECT_EQ(r.hdr, "PQ");
    ASSERT_TRUE(ProbeMediaFile(Media("hlg.mkv"), r));
    EXPECT_EQ(r.hdr, "HLG");
    ASSERT_TRUE(ProbeMediaFile(Media("tenbit.mkv"), r));
    EXPECT_EQ(r.hdr, "");
}

TEST(MediaProbe, ListsAFilesTracksAndOffersThemOnlyWhenThereIsAChoice) {
    qvtest::RecordingServices user;
    ProbeResult r;
    ASSERT_TRUE(ProbeMediaFile(Media("picsub.mkv"), r));
    ASSERT_EQ(r.audioTracks.size(), 1u);
    EXPECT_EQ(r.audioTracks[0].format, "MPEG Audio 1ch 48000Hz");
    ASSERT_EQ(r.subtitleTracks.size(), 2u);
    EXPECT_EQ(r.subtitleTracks[0].language, "French");
    EXPECT_TRUE(r.subtitleTracks[0].picture);
    EXPECT_EQ(r.subtitleTracks[1].language, "German");
    EXPECT_FALSE(r.subtitleTracks[1].picture);

    // The default-flagged audio track (the second) is the one chosen.
    ASSERT_TRUE(ProbeMediaFile(Media("tracks.mkv"), r));
    CMediaRecord record;
    FillFileRecord(record, Media("tracks.mkv"), r);
    ASSERT_EQ(record.audioTracks.size(), 2u);
    EXPECT_EQ(record.audioTracks[0].Label(), "English AAC 2ch 48000Hz");
    EXPECT_EQ(record.audioTracks[1].Label(), "German AAC 2ch 48000Hz");
    EXPECT_EQ(record.audioTracks[1].streamId, 1);
    EXPECT_EQ(record.audioIndex, 1);
    ASSERT_EQ(record.subtitleTracks.size(), 1u);
    EXPECT_EQ(record.subtitleTracks[0].Label(), "English");
    EXPECT_EQ(record.subtitleIndex, -1);

    // MP4's own text subtitle.
    qvtest::TempDir dir;
    std::string command = "ffmpeg -v error -i '";
    command += Media("tracks.mkv");
    command += "' -map 0 -c copy -c:s mov_text '";
    command += dir / "text.mp4";
    command += "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    ASSERT_TRUE(ProbeMediaFile(dir / "text.mp4", r));
    ASSERT_EQ(r.subtitleTracks.size(), 1u);
    EXPECT_EQ(r.subtitleTracks[0].language, "English");
    EXPECT_FALSE(r.subtitleTracks[0].picture);

    // One audio track, no subtitle, and chapters (a text track in MP4 that
    // is no subtitle): nothing to choose.
    ASSERT_TRUE(ProbeMediaFile(Media("tagged.mp4"), r));
    EXPECT_EQ(r.audioTracks.size(), 1u);
    EXPECT_TRUE(r.subtitleTracks.empty());
    FillFileRecord(record, Media("tagged.mp4"), r);
    EXPECT_TRUE(record.audioTracks.empty());
    EXPECT_EQ(record.audioIndex, -1);
}

TEST(MediaProbe, FilesWithoutALengthAreRefusedWithTheMessage) {
    qvtest::RecordingServices user;
    ProbeResult r;
    r.lengthText = "kept";
    for (const char* name : {"notmedia.avi", "empty.mp4", "missing.mkv"})
        EXPECT_FALSE(ProbeMediaFile(Media(name), r)) << name;
    EXPECT_EQ(r.lengthText, "kept");
    ASSERT_EQ(user.boxes.size(), 3u);
    EXPECT_EQ(user.boxes[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(user.boxes[0].buttons, MsgButtons::Ok);
    EXPECT_FALSE(user.boxes[0].text.empty());
}

TEST(MediaProbe, WithoutTheLibraryEveryFileIsRefused) {
    qvtest::RecordingServices user;
    MediaInfoLibrary none({"/nonexistent/libmediainfo.so.0", "libc.so.6"});
    ProbeResult r;
    EXPECT_FALSE(none.Bound());
    EXPECT_FALSE(ProbeMediaFile(none, Media("av.mp4"), r));
    EXPECT_EQ(user.boxes.size(), 1u);
}
