#include "CompanionTest.h"

#include "lorvesta/LanguageFile.h"
#include "support/TempDir.h"

#include <atomic>
#include <cstdlib>
#include <thread>
#include <vector>

using qvtest::Library;

namespace {

using OpenFn = void (*)(const char*);
using AvailableFn = int (*)();
using SelectFn = void (*)(int);
using TextFn = const char* (*)(const char*, const char*);

struct Lang {
    Library lib{"libLorvesta.so"};
    OpenFn open = lib.Symbol<OpenFn>("LangOpen");
    AvailableFn available = lib.Symbol<AvailableFn>("LangAvailable");
    SelectFn select = lib.Symbol<SelectFn>("LangSelect");
    TextFn text = lib.Symbol<TextFn>("LangText");
};

const std::vector<std::pair<const char*, const char*>> kKeys = {
    {"MainUI", "treeSource"},        {"MainUI", "treeLength"},        {"MainUI", "treeStartTime"},
    {"MainUI", "treeEndTime"},       {"MainUI", "stSubTitle"},        {"MainUI", "stAudioTrack"},
    {"MainUI", "stProfile"},         {"MainUI", "stOutput"},          {"MainUI", "btnBrowse"},
    {"MainUI", "btnSetting"},        {"MainUI", "btnOpen"},           {"MsgBox", "Info"},
    {"MsgBox", "UnknownFormat"},     {"MsgBox", "DirNotExist"},       {"MsgBox", "ConvertFailed"},
    {"MsgBox", "ConvertFinished"},   {"MsgBox", "StopConvert"},       {"MsgBox", "GreaterEndTime"},
    {"MsgBox", "GreaterTotalTime"},  {"MsgBox", "ErrTimeFormat"},     {"DlgConverting", "Title"},
    {"DlgConverting", "chkOpenDir"}, {"DlgConverting", "chkTurnOff"}, {"DlgConverting", "btnStop"},
    {"DlgConverting", "File"}};

} // namespace

TEST(Lorvesta, BothShippedLanguagesDefineEveryKeyOfTheLibraryContract) {
    for (const char* file : {"Lang/en.xml", "Lang/zh_CN.xml"}) {
        qv::LanguageFile lang;
        std::string error;
        ASSERT_TRUE(
            qv::ParseLanguageFile(qvtest::ReadFile(qvtest::ProgramDir() + file), lang, &error))
            << file << ": " << error;
        for (const auto& [section, key] : kKeys) {
            auto it = lang.texts.find(qv::LanguageKey(section, key));
            ASSERT_NE(it, lang.texts.end()) << file << " " << section << "/" << key;
            EXPECT_FALSE(it->second.empty()) << file << " " << section << "/" << key;
        }
    }
}

TEST(Lorvesta, DesktopLocaleChoosesTheLanguageAndTextsStayValid) {
    Lang l;
    const char* before = l.text("MsgBox", "Info");
    EXPECT_STREQ(before, "Info"); // before LangOpen: the key

    ::setenv("LC_ALL", "", 1);
    ::setenv("LC_MESSAGES", "zh_CN.UTF-8", 1);
    ::setenv("LANG", "en_US.UTF-8", 1);
    l.open("Lang\\*.xml"); // relative to the program folder, Windows separators
    EXPECT_EQ(l.available(), 2);
    l.select(0);
    const char* zh = l.text("MainUI", "btnOpen");
    EXPECT_STREQ(zh, "打开");
    EXPECT_STREQ(l.text("DlgConverting", "Title"), "正在转换");
    EXPECT_STREQ(l.text("NoSuch", "Pair"), "Pair");
    EXPECT_STREQ(l.text(nullptr, nullptr), "");

    ::setenv("LC_MESSAGES", "C", 1);
    l.select(0); // no file for C: the first file by name, English
    EXPECT_STREQ(l.text("MainUI", "btnOpen"), "Open");
    ::setenv("LANG", "zh_TW.Big5", 1);
    ::unsetenv("LC_MESSAGES");
    l.select(0); // same language, other country
    EXPECT_STREQ(l.text("MainUI", "btnOpen"), "打开");
    l.select(1);
    EXPECT_STREQ(l.text("MainUI", "btnOpen"), "Open");
    // Earlier texts survive later selections and reopening.
    l.open("/nonexistent/*.xml");
    EXPECT_EQ(l.available(), 0);
    EXPECT_STREQ(l.text("MainUI", "btnOpen"), "btnOpen");
    EXPECT_STREQ(zh, "打开");
    EXPECT_STREQ(before, "Info");
}

TEST(Lorvesta, BrokenFilesAreNoLanguageAndThreadsMayAskAtOnce) {
    qvtest::TempDir dir;
    qvtest::WriteFile(dir / "a.xml", "<Language locale='de'><MsgBox><Info>Hinweis</Info></MsgBox>");
    qvtest::WriteFile(dir / "b.xml", "<?xml version='1.0' encoding='GBK'?><Language locale='zh_CN'>"
                                     "<MsgBox><Info>\xCC\xE1\xCA\xBE</Info></MsgBox></Language>");
    qvtest::WriteFile(dir / "c.xml", "<Language locale='en'><MsgBox><Info>Note</Info></MsgBox>"
                                     "</Language>");
    Lang l;
    l.open((dir.path() + "/*.xml").c_str());
    ASSERT_EQ(l.available(), 2);
    std::atomic<bool> bad{false};
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 2000; ++i) {
                if (t == 0 && i % 100 == 0)
                    l.select(1 + (i / 100) % 2);
                std::string s = l.text("MsgBox", "Info");
                if (s != "提示" && s != "Note")
                    bad = true;
            }
        });
    for (std::thread& th : threads)
        th.join();
    EXPECT_FALSE(bad);
}
