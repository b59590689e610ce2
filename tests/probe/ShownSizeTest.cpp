#include "probe/MediaProbe.h"

#include "support/Paths.h"
#include "support/RecordingServices.h"

#include <gtest/gtest.h>

#include <map>

using namespace qv;

// The probe reports the picture as it is shown, which is what an automatic
// output size keeps.
TEST(MediaProbe, ReportsTheShownSizeOfTurnedAndAnamorphicPictures) {
    qvtest::RecordingServices user;
    struct Case {
        const char* file;
        int width, height;
    };
    for (const Case& c : {Case{"rotated90.mp4", 360, 640}, Case{"rotated270.mp4", 360, 640},
                          Case{"anamorphic.mp4", 1024, 576}, Case{"anamorphic43.mp4", 640, 480},
                          Case{"av.mp4", 640, 480}, Case{"cover.mp3", 0, 0}}) {
        ProbeResult r;
        ASSERT_TRUE(ProbeMediaFile(qvtest::MediaDir() + c.file, r)) << c.file;
        EXPECT_EQ(r.width, c.width) << c.file;
        EXPECT_EQ(r.height, c.height) << c.file;
    }
    // Turns by any quarter, either way; near-square pixels stay as stored.
    int w = 640, h = 360;
    DisplayedSize(&w, &h, 1.778, -90);
    EXPECT_EQ(w, 360);
    w = 720, h = 480;
    DisplayedSize(&w, &h, 1.5, 180);
    EXPECT_EQ(w, 720);
    EXPECT_EQ(h, 480);
}

// A damaged or hostile file's fields never give a size or a length that the
// command line or the result check could not use.
TEST(MediaProbe, WildFieldsGiveSaneFacts) {
    const std::map<std::string, std::string> fields = {
        {"0Duration/String3", "00:00:05.000"},
        {"0Format", "MPEG-4"},
        {"1Width", "99999999999"},
        {"1Height", "480"},
        {"1DisplayAspectRatio", "1e300"},
        {"1Rotation", "nan"},
        {"0Duration", "inf"},
        {"1Duration", "-5000"},
        {"2Duration", "5000"},
        {"0AudioCount", "-1"},
    };
    auto get = [&](int kind, const char* name) {
        auto it = fields.find(std::to_string(kind) + name);
        return it == fields.end() ? std::string() : it->second;
    };
    ProbeResult r;
    ASSERT_TRUE(InterpretFields(get, true, r));
    EXPECT_EQ(r.frameWidth, 0);
    EXPECT_EQ(r.width, 0);
    EXPECT_EQ(r.height, 480);
    EXPECT_EQ(r.videoSeconds, 0.0);
    EXPECT_EQ(r.seconds, 5.0);
    EXPECT_EQ(r.audioStreams, 0);
}
