#include "engine/JobModel.h"

#include "settings/Settings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

using namespace qv;

namespace {

template <typename T> void Poke32(ProfileRecord& p, size_t offset, T v) {
    std::memcpy(reinterpret_cast<char*>(&p) + offset, &v, 4);
}
void PokeText(ProfileRecord& p, size_t offset, const char* text) {
    std::strcpy(reinterpret_cast<char*>(&p) + offset, text);
}

} // namespace

TEST(JobModel, ProfileFieldsSitAtTheirByteOffsets) {
    auto p = std::make_unique<ProfileRecord>();
    std::memset(p.get(), 0, sizeof *p);
    PokeText(*p, 0, "Name");
    PokeText(*p, 128, "Category");
    PokeText(*p, 260, "Auto,640*480");
    PokeText(*p, 1540 + 320 * 2, "xvid-name");
    PokeText(*p, 1540 + 320 * 2 + 32, "xvid");
    PokeText(*p, 1540 + 320 * 2 + 192, "vf-extra");
    PokeText(*p, 4740 + 192 * 1, "mp3");
    PokeText(*p, 4740 + 192 * 1 + 128, "af-extra");
    Poke32(*p, 6660, 3);
    Poke32(*p, 6664, 2);
    PokeText(*p, 6668, "xvid-name");
    Poke32(*p, 6732, -1);
    PokeText(*p, 6740, "29.97");
    Poke32(*p, 6772, 1200);
    Poke32(*p, 6784, 6);
    PokeText(*p, 6884, "ipod_h264");
    PokeText(*p, 7044, "AuDiO");
    PokeText(*p, 7076, "-noskip");
    Poke32(*p, 7140, 1);

    EXPECT_EQ(FieldText(p->name), "Name");
    EXPECT_EQ(FieldText(p->category), "Category");
    EXPECT_EQ(FieldText(p->resolutionChoices), "Auto,640*480");
    EXPECT_EQ(FieldText(p->videoCodecs[2].family), "xvid");
    EXPECT_EQ(FieldText(p->videoCodecs[2].filters), "vf-extra");
    EXPECT_EQ(FieldText(p->audioCodecs[1].filters), "af-extra");
    EXPECT_EQ(p->videoCodecCount, 3);
    EXPECT_EQ(p->audioCodecCount, 2);
    EXPECT_EQ(p->width, -1);
    EXPECT_EQ(FieldText(p->frameRate), "29.97");
    EXPECT_EQ(p->videoBitRate, 1200);
    EXPECT_EQ(p->channels, 6);
    EXPECT_EQ(FieldText(p->outputFormat), "ipod_h264");
    EXPECT_TRUE(p->IsAudioOnly());
    EXPECT_EQ(FieldText(p->extraParams), "-noskip");
    EXPECT_EQ(p->noThreads, 1);
    EXPECT_EQ(FindVideoCodecEntry(*p, FieldText(p->videoCodec)), 2);

    // The table: a count, then the records back to back.
    auto table = std::make_unique<ProfileTable>();
    char* base = reinterpret_cast<char*>(table.get());
    std::memcpy(base + 4 + 7144 * 127, p.get(), sizeof *p);
    EXPECT_EQ(FieldText(table->records[127].name), "Name");
}

TEST(JobModel, TextFieldsWithoutTerminatorAreReadUpToTheirEnd) {
    ProfileRecord p;
    std::memset(&p, 'x', sizeof p);
    EXPECT_EQ(FieldText(p.name), std::string(128, 'x'));
    EXPECT_EQ(FieldText(p.kind).size(), 32u);
    EXPECT_FALSE(p.IsAudioOnly());

    SetFieldText(p.iconName, std::string(40, 'a'));
    EXPECT_EQ(FieldText(p.iconName), std::string(31, 'a'));
    EXPECT_EQ(p.iconName[31], '\0');
    // "视" takes three bytes: a cut never leaves half a character behind.
    SetFieldText(p.iconName, std::string(29, 'a') + "视");
    EXPECT_EQ(FieldText(p.iconName), std::string(29, 'a'));
    TrackEntry t = TrackEntry::Make(std::string(300, 'l'), 129);
    EXPECT_EQ(t.Label().size(), 255u);
    EXPECT_EQ(t.streamId, 129);
}

TEST(JobModel, ProfileKindAudioInAnyCaseIsAudioOnly) {
    ProfileRecord p{};
    for (const char* kind : {"audio", "AUDIO", "Audio"}) {
        SetFieldText(p.kind, kind);
        EXPECT_TRUE(p.IsAudioOnly()) << kind;
    }
    for (const char* kind : {"video", "audio ", "", "audios"}) {
        SetFieldText(p.kind, kind);
        EXPECT_FALSE(p.IsAudioOnly()) << kind;
    }
}

TEST(JobModel, TimeTexts) {
    EXPECT_EQ(TimeTextToSeconds("00:00:00"), 0);
    EXPECT_EQ(TimeTextToSeconds("01:02:03"), 3723);
    EXPECT_EQ(TimeTextToSeconds("99:59:59"), 359999);
    EXPECT_EQ(TimeTextToSeconds("ab:cd:ef"), 0);
    EXPECT_EQ(TimeTextToSeconds("1x:2y:3z"), 3600 + 120 + 3);
    EXPECT_EQ(TimeTextToSeconds(""), 0);
    EXPECT_EQ(TimeTextToSeconds("05"), 5 * 3600 + 5 * 60 + 5); // each part reads the same two
}

TEST(JobModel, JobLengthIsTheTrimmedSpanLessWholeDays) {
    CMediaRecord job;
    job.fullLength = "01:00:00";
    job.trimStart = "00:10:00";
    job.trimEnd = "00:25:30";
    EXPECT_EQ(JobLengthSeconds(job), 930);
    job.trimStart = "00:00:00";
    job.trimEnd = job.fullLength;
    EXPECT_EQ(JobLengthSeconds(job), 3600);
    job.trimEnd = "25:00:00";
    EXPECT_EQ(JobLengthSeconds(job), 3600);
    job.trimStart = "00:00:30";
    job.trimEnd = "00:00:10";
    EXPECT_EQ(JobLengthSeconds(job), -20);
}

TEST(JobModel, CodecLookupIsExactAndFallsBackToTheFirstEntry) {
    ProfileRecord p{};
    SetFieldText(p.videoCodecs[0].name, "mpeg4");
    SetFieldText(p.videoCodecs[1].name, "x264");
    SetFieldText(p.videoCodecs[2].name, "wmv2");
    SetFieldText(p.audioCodecs[0].name, "mp3");
    SetFieldText(p.audioCodecs[1].name, "aac");
    p.videoCodecCount = 2;
    p.audioCodecCount = 2;
    EXPECT_EQ(FindVideoCodecEntry(p, "x264"), 1);
    EXPECT_EQ(FindVideoCodecEntry(p, "X264"), 0);
    EXPECT_EQ(FindVideoCodecEntry(p, "wmv2"), 0); // beyond the count
    EXPECT_EQ(FindVideoCodecEntry(p, "h263"), 0);
    EXPECT_EQ(FindAudioCodecEntry(p, "aac"), 1);
    EXPECT_EQ(FindAudioCodecEntry(p, "AAC"), 0);
    // A count outside 0..10 never reads past the ten entries.
    p.videoCodecCount = 1000;
    EXPECT_EQ(FindVideoCodecEntry(p, "nothing"), 0);
    p.videoCodecCount = -5;
    EXPECT_EQ(FindVideoCodecEntry(p, "x264"), 0);
}

TEST(JobModel, OutputBaseNames) {
    EXPECT_EQ(FileBaseName("/v/My.Holiday.mkv"), "My.Holiday");
    EXPECT_EQ(FileBaseName("/v/noext"), "noext");
    EXPECT_EQ(FileBaseName("/v.d/noext"), "noext");
    EXPECT_EQ(FileBaseName("/v/.hidden"), "");
    EXPECT_EQ(DvdTitleBaseName("MY:DISC*1", 3), "MY DISC 1_Title_3");
    EXPECT_EQ(DvdTitleBaseName("a\"/<>?\\|b", 12), "a       b_Title_12");
    EXPECT_EQ(DvdTitleBaseName("", 2), "Title_2");
}

TEST(JobModel, EngineSettingsComeFromTheSettingsRecord) {
    SettingsRecord s;
    s.MultiThread = 0;
    s.DVDAccess = 3;
    s.RoundTo16Pix = 1;
    s.ProcessPriority = 64;
    EngineSettings e = EngineSettings::From(s);
    EXPECT_EQ(e.MultiThread, 0);
    EXPECT_EQ(e.DVDAccess, 3);
    EXPECT_EQ(e.FitWidth, 1);
    EXPECT_EQ(e.RoundTo16Pix, 1);
    EXPECT_EQ(e.ProcessPriority, 64);
}
