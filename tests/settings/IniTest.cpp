#include "settings/Ini.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using qv::CIni;
using qvtest::ReadFile;
using qvtest::WriteFile;

class IniTest : public ::testing::Test {
protected:
    qvtest::TempDir dir;
    std::string path = dir / "Config.ini";
    CIni ini{path};
};

TEST_F(IniTest, TheFileIsCreatedByTheFirstWriteAndReadBackWithoutRegardToCase) {
    EXPECT_EQ(ini.ReadText("System", "Skin", "Default"), "Default");
    EXPECT_FALSE(qvtest::FileExists(path));
    EXPECT_TRUE(ini.WriteText("System", "Skin", "Blue"));
    EXPECT_TRUE(ini.WriteNumber("system", "VideoDriver", -6));
    EXPECT_EQ(ReadFile(path), "[System]\r\nSkin=Blue\r\nVideoDriver=-6\r\n");
    EXPECT_EQ(ini.ReadText("SYSTEM", "skin"), "Blue");
    EXPECT_TRUE(ini.WriteText("SyStEm", "SKIN", "Dark"));
    EXPECT_EQ(ReadFile(path), "[System]\r\nSKIN=Dark\r\nVideoDriver=-6\r\n");
}

TEST_F(IniTest, EveryCallGoesToTheFile) {
    ini.WriteText("A", "k", "1");
    WriteFile(path, "[A]\nk=2\n");
    EXPECT_EQ(ini.ReadText("A", "k"), "2");
    ::unlink(path.c_str());
    EXPECT_EQ(ini.ReadText("A", "k", "gone"), "gone");
}

TEST_F(IniTest, NoSectionOrKeyMeansDefaultAndNoWrite) {
    EXPECT_FALSE(ini.WriteText(nullptr, "k", "v"));
    EXPECT_FALSE(ini.WriteText("S", "", "v"));
    EXPECT_FALSE(qvtest::FileExists(path));
    WriteFile(path, "[S]\nk=v\n");
    EXPECT_EQ(ini.ReadText(nullptr, "k", "d"), "d");
    EXPECT_EQ(ini.ReadUnsigned("S", nullptr, 7), 7u);
    EXPECT_EQ(ini.ReadFlag("", "k", 1), 1);
}

TEST_F(IniTest, AnEmptyValueIsEmptyNotTheDefaultAndLongValuesAreReadWhole) {
    std::string big(1 << 20, 'v');
    WriteFile(path, "[S]\nempty=\nbig=" + big + "\n");
    EXPECT_EQ(ini.ReadText("S", "empty", "def"), "");
    EXPECT_EQ(ini.ReadText("S", "big"), big);
    std::string mid(513, 'm');
    ini.WriteText("S", "mid", mid.c_str());
    EXPECT_EQ(ini.ReadText("S", "mid"), mid);
    EXPECT_EQ(ini.ReadText("S", "big"), big);
}

TEST_F(IniTest, GarbageLinesNeverStopTheReadingAndSurviveAWrite) {
    const char raw[] = "\x01\x02\xff\xfe binary\0junk";
    std::string garbage(raw, sizeof raw - 1);
    std::string text = "\xEF\xBB\xBF[System]\r\n; comment=no\r\nno equals sign here\r\n" + garbage +
                       "\r\n[broken\r\n  Skin = Blue  \r\n[Other]\r\nForeign=keep me\r\n"
                       "[system]\r\nDefProfile=second section\r\nSkin=shadowed\r\n";
    WriteFile(path, text);
    EXPECT_EQ(ini.ReadText("System", "Skin"), "Blue");
    EXPECT_EQ(ini.ReadText("System", "comment", "none"), "none");
    EXPECT_EQ(ini.ReadText("System", "DefProfile"), "second section");
    EXPECT_EQ(ini.ReadText("Other", "Foreign"), "keep me");

    ASSERT_TRUE(ini.WriteText("System", "Skin", "Dark"));
    ASSERT_TRUE(ini.WriteText("Other", "New", "1"));
    ASSERT_TRUE(ini.WriteText("Fresh", "Key", "x"));
    std::string after = ReadFile(path);
    EXPECT_EQ(after.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_NE(after.find(garbage), std::string::npos);
    EXPECT_NE(after.find("Skin=Dark\r\n"), std::string::npos);
    EXPECT_NE(after.find("Foreign=keep me\r\nNew=1\r\n"), std::string::npos);
    EXPECT_NE(after.find("[Fresh]\r\nKey=x\r\n"), std::string::npos);
    EXPECT_EQ(ini.ReadText("System", "Skin"), "Dark");
    EXPECT_EQ(ini.ReadText("System", "DefProfile"), "second section");
    EXPECT_EQ(ini.ReadText("Fresh", "Key"), "x");
}

TEST_F(IniTest, KeepsTheLineEndOfTheFileAndALastLineWithoutOne) {
    WriteFile(path, "[A]\nx=1\n[B]\ny=2");
    ini.WriteText("B", "z", "3");
    EXPECT_EQ(ReadFile(path), "[A]\nx=1\n[B]\ny=2\nz=3\n");
}

TEST_F(IniTest, ALineBreakInsideAValueCannotSpillIntoTheFile) {
    ini.WriteText("S", "k", "one\r\n[Evil]\nx=1");
    EXPECT_EQ(ini.ReadText("S", "k"), "one  [Evil] x=1");
    EXPECT_EQ(ini.ReadText("Evil", "x", "none"), "none");
}

TEST_F(IniTest, AWriteThatCannotLandReportsFailureAndLeavesNoDebris) {
    CIni missing(dir / "no/such/folder/Config.ini");
    EXPECT_FALSE(missing.WriteText("S", "k", "v"));
    // A folder where the file should be: the new file cannot replace it.
    ::mkdir(path.c_str(), 0755);
    EXPECT_FALSE(ini.WriteText("S", "k", "v"));
    // Nothing but that folder is left behind.
    EXPECT_EQ(std::system(("test $(ls -A '" + dir.path() + "' | wc -l) -eq 1").c_str()), 0);
}

TEST_F(IniTest, ALinkIsWrittenThroughAndAReadOnlyFileIsLeftAsItIs) {
    // A link, relative, to a file in another folder: the link stays.
    ::mkdir((dir / "real").c_str(), 0755);
    WriteFile(dir / "real/Config.ini", "[S]\nk=1\n");
    ASSERT_EQ(::symlink("real/Config.ini", path.c_str()), 0);
    EXPECT_TRUE(ini.WriteText("S", "k", "2"));
    struct stat st;
    ASSERT_EQ(::lstat(path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(ReadFile(dir / "real/Config.ini"), "[S]\nk=2\n");
    // A link to a file not made yet makes it.
    CIni dangling(dir / "Other.ini");
    ASSERT_EQ(::symlink((dir / "real/Other.ini").c_str(), (dir / "Other.ini").c_str()), 0);
    EXPECT_TRUE(dangling.WriteText("S", "k", "3"));
    EXPECT_EQ(ReadFile(dir / "real/Other.ini"),
              "[S]\r\nk=3\r\n"); // a new file is written as Windows writes it

    // Read-only (for root too): the write fails and the file stays.
    ::chmod((dir / "real/Config.ini").c_str(), 0444);
    EXPECT_FALSE(ini.WriteText("S", "k", "4"));
    EXPECT_EQ(ReadFile(dir / "real/Config.ini"), "[S]\nk=2\n");
    EXPECT_EQ(ini.ReadText("S", "k", ""), "2");
}

TEST(IniValues, UnsignedFollowsStrtoulOn32Bits) {
    EXPECT_EQ(qv::IniUnsignedValue("", 4), 4u);
    EXPECT_EQ(qv::IniUnsignedValue("abc", 4), 0u);
    EXPECT_EQ(qv::IniUnsignedValue("-1", 32), 4294967295u);
    EXPECT_EQ(qv::IniUnsignedValue("  +17xyz", 0), 17u);
    EXPECT_EQ(qv::IniUnsignedValue("99999999999", 0), 4294967295u);
    EXPECT_EQ(qv::IniUnsignedValue("4294967295", 0), 4294967295u);
    EXPECT_EQ(qv::IniUnsignedValue("-4294967296", 0), 4294967295u);
    // Only the first 64 bytes count.
    EXPECT_EQ(qv::IniUnsignedValue(std::string(63, '0') + "12", 0), 1u);
}

TEST(IniValues, FlagsAcceptWordsAndNumbers) {
    for (const char* one : {"YES", "True", "yes", "2", "-3", "1abc", " 7"})
        EXPECT_EQ(qv::IniFlagValue(one, 0), 1) << one;
    for (const char* zero : {"no", "0", "false", "abc", "00", "-0", "yes please"})
        EXPECT_EQ(qv::IniFlagValue(zero, 1), 0) << zero;
    EXPECT_EQ(qv::IniFlagValue("", 1), 1);
    EXPECT_EQ(qv::IniFlagValue(std::string(64, '0') + "1", 1), 0);
}
