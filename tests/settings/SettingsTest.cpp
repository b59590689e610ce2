#include "settings/Settings.h"

#include "settings/Ini.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using qvtest::ReadFile;
using qvtest::WriteFile;

class SettingsTest : public ::testing::Test {
protected:
    qvtest::TempDir dir;
    std::string docs = dir / "Documents";
    std::string path = dir / "Config.ini";
    qv::CIni ini{path};
    void SetUp() override { ::mkdir(docs.c_str(), 0755); }
};

TEST_F(SettingsTest, WithoutAFileEveryDefaultAppliesAndTheDefaultFoldersAreMade) {
    qv::LoadedSettings s = qv::LoadSettings(ini, docs);
    const qv::SettingsRecord& r = s.record;
    EXPECT_EQ(r.Skin, "Default");
    EXPECT_EQ(s.outputFolder, docs + "/Quorvane/");
    EXPECT_EQ(r.SnapshotDir, docs + "/Quorvane/Snapshot/");
    EXPECT_EQ(s.defaultProfile, "");
    EXPECT_EQ(r.VideoDriver, 4);
    EXPECT_EQ(r.DVDAccess, 1);
    EXPECT_EQ(r.MultiThread, 1);
    EXPECT_EQ(r.ProcessPriority, 32);
    EXPECT_EQ(r.FitWidth, 1);
    EXPECT_EQ(r.FitHeight, 0);
    EXPECT_EQ(r.ExpandToVideoSize, 1);
    EXPECT_EQ(r.RoundTo16Pix, 0);
    EXPECT_EQ(r.RunOsprel, 1);
    EXPECT_EQ(r.MainTitle, 1);
    EXPECT_EQ(r.CheckUpdate, 1);
    struct stat st;
    EXPECT_EQ(::stat((docs + "/Quorvane/Snapshot").c_str(), &st), 0);
    EXPECT_FALSE(qvtest::FileExists(path)); // defaults reach the file with the next save

    // A documents folder that does not exist yet (a fresh account) is made too.
    const std::string fresh = dir / "home/user/Documents";
    qv::LoadedSettings made = qv::LoadSettings(ini, fresh);
    EXPECT_EQ(::stat(made.outputFolder.c_str(), &st), 0);
    EXPECT_EQ(::stat(made.record.SnapshotDir.c_str(), &st), 0);
}

TEST_F(SettingsTest, ValuesAreReadByTheirKindsRules) {
    WriteFile(path, "[system]\nSkin=\nVideoDriver=abc\nDVDAccess=\nDefOutput=/out/\n"
                    "SnapshotDir=/snap/\n[GENERAL]\nMultiThread=no\nProcessPriority=-1\n"
                    "[Video]\nFitWidth=0\nFitHeight=True\nExpandToVideoSize=YES\nRoundTo16Pix=2\n"
                    "[Osprel]\nRunOsprel=0\nMainTitle=\n[Update]\nCheckUpdate=3\n");
    qv::LoadedSettings s = qv::LoadSettings(ini, docs);
    const qv::SettingsRecord& r = s.record;
    EXPECT_EQ(r.Skin, "");
    EXPECT_EQ(r.VideoDriver, 0);
    EXPECT_EQ(r.DVDAccess, 1);
    EXPECT_EQ(s.outputFolder, "/out/");
    EXPECT_EQ(r.SnapshotDir, "/snap/");
    EXPECT_EQ(r.MultiThread, 0);
    EXPECT_EQ(static_cast<uint32_t>(r.ProcessPriority), 4294967295u);
    EXPECT_EQ(r.FitWidth, 0);
    EXPECT_EQ(r.FitHeight, 1);
    EXPECT_EQ(r.ExpandToVideoSize, 1);
    EXPECT_EQ(r.RoundTo16Pix, 1);
    EXPECT_EQ(r.RunOsprel, 0);
    EXPECT_EQ(r.MainTitle, 1);
    EXPECT_EQ(r.CheckUpdate, 3);
}

TEST_F(SettingsTest, SaveWritesEveryKeyInOrderAndLoadReadsItBack) {
    qv::SettingsRecord r;
    r.Skin = "Dark";
    r.SnapshotDir = "/snap dir/";
    r.MultiThread = 5; // any non-zero flag is written as 1
    r.ProcessPriority = 16384;
    r.FitWidth = 0;
    r.FitHeight = 1;
    r.CheckUpdate = 2;
    r.Language = "zh_CN";
    qv::SaveSettings(ini, r, "/out/视频/", "MP4 H.264");
    EXPECT_EQ(ReadFile(path), "[System]\r\nSkin=Dark\r\nDefOutput=/out/视频/\r\n"
                              "SnapshotDir=/snap dir/\r\nDefProfile=MP4 H.264\r\nVideoDriver=4\r\n"
                              "DVDAccess=1\r\nLanguage=zh_CN\r\n[General]\r\nMultiThread=1\r\n"
                              "ProcessPriority=16384\r\n[Video]\r\nFitWidth=0\r\nFitHeight=1\r\n"
                              "ExpandToVideoSize=1\r\nRoundTo16Pix=0\r\n[Osprel]\r\n"
                              "RunOsprel=1\r\nMainTitle=1\r\n[Update]\r\nCheckUpdate=2\r\n");
    qv::LoadedSettings s = qv::LoadSettings(ini, docs);
    EXPECT_EQ(s.record.Skin, "Dark");
    EXPECT_EQ(s.outputFolder, "/out/视频/");
    EXPECT_EQ(s.defaultProfile, "MP4 H.264");
    EXPECT_EQ(s.record.SnapshotDir, "/snap dir/");
    EXPECT_EQ(s.record.ProcessPriority, 16384);
    EXPECT_EQ(s.record.FitHeight, 1);
    EXPECT_EQ(s.record.Language, "zh_CN");
}

TEST_F(SettingsTest, AMalformedFileLoadsWhatItCanAndSavingKeepsForeignKeys) {
    const char raw[] = "\0\x01\x80garbage\xff";
    std::string noise(raw, sizeof raw - 1);
    WriteFile(path, "\xEF\xBB\xBF" + noise +
                        "\n[Update]\r\nLastUpdateDate=2026-01-02 03:04:05\r\n"
                        "[System]\nSkin=Blue\nnot a key\n[System]\nVideoDriver=6\n" +
                        "[Video]\nFitWidth=" + std::string(1 << 20, '0') + "\n");
    qv::LoadedSettings s = qv::LoadSettings(ini, docs);
    EXPECT_EQ(s.record.Skin, "Blue");
    EXPECT_EQ(s.record.VideoDriver, 6);
    EXPECT_EQ(s.record.FitWidth, 0);
    EXPECT_EQ(s.record.FitHeight, 0);
    qv::SaveSettings(ini, s.record, s.outputFolder, s.defaultProfile);
    EXPECT_EQ(ini.ReadText("Update", "LastUpdateDate"), "2026-01-02 03:04:05");
    qv::LoadedSettings again = qv::LoadSettings(ini, docs);
    EXPECT_EQ(again.record.VideoDriver, 6);
    EXPECT_EQ(again.record.FitWidth, 0);
    EXPECT_EQ(again.outputFolder, docs + "/Quorvane/");
    EXPECT_NE(ReadFile(path).find(noise), std::string::npos);
}
