#include "base/ProgramFolder.h"

#include "support/Paths.h"
#include "support/TempDir.h"
#include "support/Tool.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>

using qvtest::FileExists;
using qvtest::ReadFile;
using qvtest::WriteFile;

namespace {

// A home of its own and XDG variables as a row sets them; restored after.
class UserFilesTest : public ::testing::Test {
protected:
    qvtest::TempDir dir;
    std::string home = dir / "home";
    std::string program = dir.path() + "/program/";

    void SetUp() override {
        for (const char* var : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"})
            if (const char* v = std::getenv(var))
                saved_.emplace_back(var, v);
        ::mkdir(home.c_str(), 0755);
        ::mkdir(program.c_str(), 0755);
        ::setenv("HOME", home.c_str(), 1);
        ::unsetenv("XDG_CONFIG_HOME");
        ::unsetenv("XDG_DATA_HOME");
    }
    void TearDown() override {
        ::unsetenv("XDG_CONFIG_HOME");
        ::unsetenv("XDG_DATA_HOME");
        for (const auto& [var, value] : saved_)
            ::setenv(var.c_str(), value.c_str(), 1);
    }

    static mode_t Mode(const std::string& path) {
        struct stat st {};
        ::stat(path.c_str(), &st);
        return st.st_mode & 0777;
    }

private:
    std::vector<std::pair<std::string, std::string>> saved_;
};

} // namespace

TEST_F(UserFilesTest, AWritableProgramFolderKeepsEverythingBesideTheProgram) {
    ASSERT_TRUE(qv::ProgramFolderWritable(program));
    qv::UserFileLocations l = qv::LocateUserFiles(program, true);
    EXPECT_FALSE(l.perUser);
    EXPECT_EQ(l.settingsFile, program + "Config.ini");
    EXPECT_EQ(l.logFolder, program + "LogFile");
    EXPECT_TRUE(qv::PrepareUserFiles(l, program));
    EXPECT_EQ(qvtest::ReadDirFirst(home), ""); // nothing made in the home
}

TEST_F(UserFilesTest, AnInstalledFolderSendsSettingsAndLogToTheUsersFoldersAndLosesNothing) {
    // The tests run as root, for whom every folder is writable: the package's
    // marker is what makes a folder read-only here, as it does for root.
    WriteFile(program + qv::kPerUserMarker, "");
    ASSERT_FALSE(qv::ProgramFolderWritable(program));

    struct Row {
        const char *configHome, *dataHome;
        std::string settings, log;
    };
    const std::string conf = dir.path() + "/conf/", data = dir.path() + "/data";
    const Row rows[] = {
        {nullptr, nullptr, home + "/.config/quorvane-pro/Config.ini",
         home + "/.local/share/quorvane-pro/LogFile"},
        {"relative/conf", "", home + "/.config/quorvane-pro/Config.ini",
         home + "/.local/share/quorvane-pro/LogFile"},
        {conf.c_str(), data.c_str(), dir.path() + "/conf/quorvane-pro/Config.ini",
         dir.path() + "/data/quorvane-pro/LogFile"},
    };
    for (const Row& r : rows) {
        r.configHome ? ::setenv("XDG_CONFIG_HOME", r.configHome, 1) : ::unsetenv("XDG_CONFIG_HOME");
        r.dataHome ? ::setenv("XDG_DATA_HOME", r.dataHome, 1) : ::unsetenv("XDG_DATA_HOME");
        qv::UserFileLocations l = qv::LocateUserFiles(program, false);
        EXPECT_TRUE(l.perUser);
        EXPECT_EQ(l.settingsFile, r.settings);
        EXPECT_EQ(l.logFolder, r.log);
    }

    // The shipped settings are the start of the user's; the user's are kept after.
    WriteFile(program + "Config.ini", "[System]\r\nSkin=Midnight\r\n");
    ::unsetenv("XDG_CONFIG_HOME");
    ::unsetenv("XDG_DATA_HOME");
    qv::UserFileLocations l = qv::LocateUserFiles(program, false);
    ASSERT_TRUE(qv::PrepareUserFiles(l, program));
    EXPECT_EQ(ReadFile(l.settingsFile), "[System]\r\nSkin=Midnight\r\n");
    EXPECT_EQ(Mode(home + "/.config/quorvane-pro"), 0700u);
    EXPECT_EQ(Mode(home + "/.local/share/quorvane-pro"), 0700u);
    WriteFile(l.settingsFile, "[System]\r\nSkin=Default\r\n");
    WriteFile(program + "Config.ini", "[System]\r\nSkin=Other\r\n");
    ASSERT_TRUE(qv::PrepareUserFiles(l, program));
    EXPECT_EQ(ReadFile(l.settingsFile), "[System]\r\nSkin=Default\r\n");
    EXPECT_EQ(qvtest::ReadDirFirst(home + "/.config/quorvane-pro"), l.settingsFile)
        << "no temporary copy is left behind";

    // A settings folder that cannot be made is reported.
    WriteFile(dir / "file", "");
    ::setenv("XDG_CONFIG_HOME", (dir / "file").c_str(), 1);
    EXPECT_FALSE(qv::PrepareUserFiles(qv::LocateUserFiles(program, false), program));
}

TEST_F(UserFilesTest, VideosAndPicturesAreTheUsersFolders) {
    ::mkdir((home + "/.config").c_str(), 0755);
    WriteFile(home + "/.config/user-dirs.dirs",
              "XDG_VIDEOS_DIR=\"$HOME/Filme\"\nXDG_PICTURES_DIR=\"$HOME/Bilder\"\n");
    EXPECT_EQ(qv::VideosFolder(), home + "/Filme");
    EXPECT_EQ(qv::PicturesFolder(), home + "/Bilder");
}

// The converter run from a copy of the program folder that is installed
// system-wide, by two users in turn.
TEST_F(UserFilesTest, TheCliOfAnInstalledFolderWritesOnlyIntoEachUsersOwnFolders) {
    const std::string build = qvtest::ProgramDir();
    ASSERT_EQ(std::system(("cp -r '" + build + "quorvane-cli' '" + build + "libTessarn.so' '" +
                           build + "libLorvesta.so' '" + build + "libQuimbrel.so' '" + build +
                           "Profiles' '" + build + "Lang' '" + build + "codecs' '" + program + "'")
                              .c_str()),
              0);
    WriteFile(program + qv::kPerUserMarker, "");
    WriteFile(program + "Config.ini", "[General]\r\nMultiThread=0\r\n");
    qvtest::TempDir out;
    for (const char* user : {"ann", "bob"}) {
        const std::string userHome = dir / user;
        ::mkdir(userHome.c_str(), 0755);
        qvtest::ToolRun r = qvtest::RunTool(
            {"env", "-u", "QUORVANE_LOG_DIR", "-u", "XDG_CONFIG_HOME", "-u", "XDG_DATA_HOME",
             "HOME=" + userHome, program + "quorvane-cli", "-p", "MP3 - MPEG Audio Layer 3", "-o",
             out.path(), qvtest::MediaDir() + "small.wav"});
        ASSERT_EQ(r.exitCode, 0) << r.output;
        EXPECT_EQ(ReadFile(userHome + "/.config/quorvane-pro/Config.ini"),
                  "[General]\r\nMultiThread=0\r\n");
        const std::string log =
            qvtest::ReadDirFirst(userHome + "/.local/share/quorvane-pro/LogFile");
        EXPECT_NE(ReadFile(log).find("small.wav"), std::string::npos) << log;
    }
    EXPECT_FALSE(FileExists(program + "LogFile"));
    EXPECT_EQ(ReadFile(program + "Config.ini"), "[General]\r\nMultiThread=0\r\n");
}
