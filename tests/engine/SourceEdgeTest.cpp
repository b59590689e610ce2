// Sources at the edges of what a user meets: a sound effect under a second,
// a picture without sound, a file cut short. Each is probed and converted
// as a batch would with the shipped profiles and the real tools; the result
// is whole, or the job fails plainly and leaves the folder as it found it.
#include "base/PathText.h"
#include "engine/EncoderRun.h"
#include "probe/MediaProbe.h"

#include "support/Picture.h"
#include "support/QuietBatch.h"
#include "support/RecordingServices.h"
#include "support/ShippedProfiles.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <memory>
#include <set>

using namespace qv;

namespace {

std::set<std::string> Names(const std::string& dir) {
    std::set<std::string> names;
    if (DIR* d = ::opendir(dir.c_str())) {
        while (dirent* e = ::readdir(d))
            if (std::string n = e->d_name; n != "." && n != "..")
                names.insert(n);
        ::closedir(d);
    }
    return names;
}

struct Converted {
    JobOutcome outcome = OutcomeFailed;
    std::string failure, output;
};

Converted Convert(const ProfileRecord& profile, const std::string& file,
                  const std::string& folder) {
    qvtest::RecordingServices user;
    qvtest::QuietBatch batch(profile, EngineSettings{}, folder);
    ProbeResult probe;
    const std::string path = qvtest::MediaDir() + file;
    EXPECT_TRUE(ProbeMediaFile(path, probe)) << file;
    FillFileRecord(batch.job, path, probe);
    RunJob(batch);
    return {batch.outcome, batch.failure, batch.job.outputPath};
}

const ProfileTable& Profiles() {
    static std::unique_ptr<ProfileTable> table = qvtest::ShippedProfiles();
    return *table;
}

const ProfileRecord& Profile(const char* name) {
    const ProfileRecord* p = qvtest::FindProfile(Profiles(), name);
    static ProfileRecord none{};
    if (!p)
        ADD_FAILURE() << "no shipped profile " << name;
    return p ? *p : none;
}

} // namespace

// Its length reads 00:00:00, as its start does; untrimmed it is all converted.
TEST(SourceEdges, ASoundEffectUnderASecondConvertsWhole) {
    const ProfileTable& table = Profiles();
    for (int i = 0; i < table.count; ++i) {
        const ProfileRecord& p = table.records[i];
        if (!p.IsAudioOnly())
            continue;
        const std::string name = FieldText(p.name);
        qvtest::TempDir out;
        const Converted r = Convert(p, "blip.wav", out.path());
        ASSERT_EQ(r.outcome, OutcomeSucceeded) << name << ": " << r.failure;
        const qvtest::StreamFacts facts = qvtest::Examine(r.output);
        EXPECT_EQ(facts.audioStreams, 1) << name;
        EXPECT_NEAR(facts.audioSeconds, 0.75, 0.1) << name;
        EXPECT_EQ(Names(out.path()).size(), 1u) << name;
    }
}

// Every video profile makes a video-only result of a silent picture; an
// audio profile refuses it before anything is written, saying why.
TEST(SourceEdges, APictureWithoutSoundGivesVideoOnlyOrAPlainRefusal) {
    const ProfileTable& table = Profiles();
    ASSERT_GE(table.count, 21);
    for (int i = 0; i < table.count; ++i) {
        const ProfileRecord& p = table.records[i];
        const std::string name = FieldText(p.name);
        qvtest::TempDir out;
        const Converted r = Convert(p, "silent.mp4", out.path());
        if (p.IsAudioOnly()) {
            EXPECT_EQ(r.outcome, OutcomeFailed) << name;
            EXPECT_EQ(r.failure, "the source has no sound to convert") << name;
            EXPECT_TRUE(Names(out.path()).empty()) << name;
            continue;
        }
        ASSERT_EQ(r.outcome, OutcomeSucceeded) << name << ": " << r.failure;
        const qvtest::StreamFacts facts = qvtest::Examine(r.output);
        EXPECT_EQ(facts.videoStreams, 1) << name;
        EXPECT_EQ(facts.audioStreams, 0) << name;
        if (facts.videoSeconds > 0) { // some containers state no stream length
            EXPECT_NEAR(facts.videoSeconds, 2.0, 0.5) << name;
        }
        EXPECT_EQ(Names(out.path()), std::set<std::string>{FileNameOf(r.output)}) << name;
    }
}

// A file cut at 60 % fails with its reason, and leaves nothing: not its
// ".partial", not the MP4 step's intermediates, so a second run takes the
// same names. A file of the user's beside it stays.
TEST(SourceEdges, ADamagedSourceFailsAndLeavesNothingBehind) {
    for (const char* name :
         {"MP4 - H.264 Video", "iPod / iPhone - H.264 Video", "MP3 - MPEG Audio Layer 3"}) {
        qvtest::TempDir out;
        qvtest::WriteFile(out / "mine.txt", "the user's");
        for (int run = 0; run < 2; ++run) {
            const Converted r = Convert(Profile(name), "truncated.mp4", out.path());
            EXPECT_EQ(r.outcome, OutcomeFailed) << name;
            EXPECT_NE(r.failure.find("damaged or truncated"), std::string::npos)
                << name << ": " << r.failure;
            EXPECT_EQ(Names(out.path()), std::set<std::string>{"mine.txt"}) << name << " " << run;
        }
        EXPECT_EQ(qvtest::ReadFile(out / "mine.txt"), "the user's");
    }
}
