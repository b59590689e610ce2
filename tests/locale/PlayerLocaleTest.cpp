// The player's answers under the comma locale of LocaleTest.cpp (its own
// file: the player's header and the tool-run helper's cannot meet in one).
#include "player/PlayerOutput.h"

#include <gtest/gtest.h>

#include <clocale>

TEST(CommaLocale, PlayerRatesAndCacheFillKeepTheirFraction) {
    ASSERT_STREQ(std::localeconv()->decimal_point, ",");
    qv::PlayerRunState run;
    run.state = qv::PlayerStarting;
    qv::ParseLine(run, "ID_VIDEO_FPS=29.970");
    EXPECT_FLOAT_EQ(run.videoFps, 29.97f);
    qv::ParseLine(run, "Cache fill:  7.50% (40960 bytes) 缓存填充:");
    EXPECT_FLOAT_EQ(run.cacheFill, 7.5f);
}
