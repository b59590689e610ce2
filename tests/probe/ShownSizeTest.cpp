#include "probe/MediaProbe.h"

#include "support/Paths.h"
#include "support/RecordingServices.h"

#include <gtest/gtest.h>

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
