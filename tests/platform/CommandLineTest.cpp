#include "platform/CommandLine.h"

#include <gtest/gtest.h>

using qv::QuotePath;
using qv::SplitCommandLine;
using V = std::vector<std::string>;

TEST(CommandLine, SplitsOnBlanksOutsideQuotesAndIgnoresDoubledBlanks) {
    EXPECT_EQ(SplitCommandLine("\"/opt/q v/codecs/quenzo\" -mc 0  -ss 00:01:00 \"a b.avi\""),
              (V{"/opt/q v/codecs/quenzo", "-mc", "0", "-ss", "00:01:00", "a b.avi"}));
    EXPECT_EQ(SplitCommandLine("   "), V{});
    EXPECT_EQ(SplitCommandLine("a\t\"\"  b"), (V{"a", "", "b"}));
    EXPECT_EQ(SplitCommandLine("x\"y z\"w"), (V{"xy zw"}));
}

TEST(CommandLine, BackslashesFollowTheWindowsRuntimeRules) {
    EXPECT_EQ(SplitCommandLine(R"(a\\b c\d)"), (V{R"(a\\b)", R"(c\d)"}));
    EXPECT_EQ(SplitCommandLine(R"("a\"b")"), (V{R"(a"b)"}));
    EXPECT_EQ(SplitCommandLine(R"("a\\" b)"), (V{R"(a\)", "b"}));
    EXPECT_EQ(SplitCommandLine(R"(\\\"x)"), (V{R"(\"x)"}));
}

TEST(CommandLine, QuotedPathsComeBackByteForByte) {
    for (std::string path :
         {"/home/u/My Videos/clip 1.avi", "/tmp/say \"hi\".mkv", "/tmp/back\\slash\\",
          "/tmp/tail\\\\", "/media/视频/电影.mp4", "/tmp/a\tb\nc", "-rf.avi", "", "/tmp/x\\\"y"}) {
        V args = SplitCommandLine("tool " + QuotePath(path) + " next");
        ASSERT_EQ(args.size(), 3u) << path;
        std::string expected = (!path.empty() && path[0] == '-') ? "./" + path : path;
        EXPECT_EQ(args[1], expected);
        EXPECT_EQ(args[2], "next");
    }
}

TEST(CommandLine, PlainPathsAreQuotedAsTheyStand) {
    EXPECT_EQ(QuotePath("/a b/c.avi"), "\"/a b/c.avi\"");
    EXPECT_EQ(QuotePath("-x.avi"), "\"./-x.avi\"");
}
