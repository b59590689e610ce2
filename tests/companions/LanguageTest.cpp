#include "CompanionTest.h"

#include "lorvesta/LanguageFile.h"
#include "support/TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <set>

namespace {

struct CodeKey {
    std::string section, key;
    std::string builtIn; // the code's own text; empty when it gives none
    std::string where;
};

std::string Unescape(const std::string& literal) {
    std::string out;
    for (size_t i = 0; i < literal.size(); ++i)
        out += literal[i] == '\\' && i + 1 < literal.size() ? literal[++i] : literal[i];
    return out;
}

// Every pair the program's sources ask the language service for with literal
// names, with the built-in text where the call carries one.
std::vector<CodeKey> KeysOfTheCode() {
    static const std::regex call(
        R"re(\b(?:Text|TextOr|UiText|DlgText|LangText|LangFind)\(\s*"(\w+)"\s*,\s*"(\w+)"(?:\s*,\s*"((?:[^"\\]|\\.)*)")?)re");
    std::vector<CodeKey> keys;
    for (const auto& entry :
         std::filesystem::recursive_directory_iterator(std::string(QV_SOURCE_DIR) + "/src")) {
        const std::string ext = entry.path().extension();
        if (ext != ".cpp" && ext != ".h")
            continue;
        const std::string code = qvtest::ReadFile(entry.path());
        for (std::sregex_iterator m(code.begin(), code.end(), call), end; m != end; ++m)
            keys.push_back({(*m)[1], (*m)[2], Unescape((*m)[3]), entry.path().filename()});
    }
    return keys;
}

qv::LanguageFile Shipped(const char* name) {
    qv::LanguageFile lang;
    std::string error;
    EXPECT_TRUE(qv::ParseLanguageFile(
        qvtest::ReadFile(std::string(QV_SOURCE_DIR) + "/data/Lang/" + name), lang, &error))
        << name << ": " << error;
    return lang;
}

bool HasCjk(const std::string& utf8) {
    // Lead bytes of U+3000 to U+9FFF (punctuation, kana, ideographs) and of
    // the full-width forms U+FF00 to U+FFEF.
    for (size_t i = 0; i < utf8.size(); ++i) {
        auto c = static_cast<unsigned char>(utf8[i]);
        if ((c >= 0xE3 && c <= 0xE9) || (c == 0xEF && i + 1 < utf8.size() &&
                                         (static_cast<unsigned char>(utf8[i + 1]) & 0xFC) == 0xBC))
            return true;
    }
    return false;
}

} // namespace

TEST(LanguageFiles, EveryKeyTheCodeAsksForIsInBothFilesAndTheChineseIsTheBuiltInText) {
    const std::vector<CodeKey> keys = KeysOfTheCode();
    ASSERT_GT(keys.size(), 80u) << "the search for the code's keys found too few";
    const qv::LanguageFile zh = Shipped("zh_CN.xml"), en = Shipped("en.xml");
    for (const CodeKey& k : keys) {
        const std::string id = k.where + ": " + k.section + "/" + k.key;
        const std::string lookup = qv::LanguageKey(k.section, k.key);
        auto z = zh.texts.find(lookup);
        auto e = en.texts.find(lookup);
        ASSERT_NE(z, zh.texts.end()) << "zh_CN.xml lacks " << id;
        ASSERT_NE(e, en.texts.end()) << "en.xml lacks " << id;
        EXPECT_FALSE(e->second.empty()) << id;
        if (!k.builtIn.empty()) {
            EXPECT_EQ(z->second, k.builtIn) << id << ": zh_CN.xml differs from the built-in text";
        }
    }
}

TEST(LanguageFiles, BothFilesHaveTheSameKeysAndTheEnglishOneNoChinese) {
    const qv::LanguageFile zh = Shipped("zh_CN.xml"), en = Shipped("en.xml");
    std::set<std::string> zhKeys, enKeys;
    for (const auto& [k, text] : zh.texts)
        zhKeys.insert(k);
    for (const auto& [k, text] : en.texts) {
        enKeys.insert(k);
        EXPECT_FALSE(HasCjk(text)) << k << ": " << text;
    }
    EXPECT_EQ(zhKeys, enKeys);
    // The main window's menus and About box have their keys before their code.
    for (const char* key : {"Play", "Remove", "Clear", "CheckAll", "UncheckAll", "Trim", "HelpFile",
                            "CheckUpdate", "Support", "OpenLog", "About"})
        EXPECT_EQ(enKeys.count(qv::LanguageKey("Menu", key)), 1u) << key;
    for (const char* key : {"Version", "Link", "LinkTip"})
        EXPECT_EQ(enKeys.count(qv::LanguageKey("About", key)), 1u) << key;
}

TEST(LanguageChoice, FollowsTheSettingThenGettextsOrderOfTheLocaleVariables) {
    const std::string files[] = {"en", "zh_CN"};
    struct Row {
        const char *setting, *language, *lcAll, *lcMessages, *lang;
        int expected; // 0 English, 1 Chinese
    };
    const Row rows[] = {
        {"", nullptr, nullptr, nullptr, "zh_CN.UTF-8", 1},
        {"", nullptr, nullptr, nullptr, "en_US.UTF-8", 0},
        {"", nullptr, nullptr, nullptr, "de_DE.UTF-8", 0}, // no German file: English
        {"", nullptr, nullptr, nullptr, "zh_TW.Big5", 1},  // same language, other country
        {"", nullptr, nullptr, nullptr, "zh_HK", 1},
        {"", nullptr, nullptr, nullptr, nullptr, 0}, // nothing set
        {"", nullptr, nullptr, "zh_CN.UTF-8", "en_US.UTF-8", 1},
        {"", nullptr, "en_GB.UTF-8", "zh_CN.UTF-8", "zh_CN.UTF-8", 0},
        {"", nullptr, "", "zh_CN.UTF-8", "en_US.UTF-8", 1}, // an empty variable is unset
        {"", "zh_CN:en", nullptr, nullptr, "en_US.UTF-8", 1},
        {"", "de:zh", nullptr, nullptr, "en_US.UTF-8", 1}, // the first entry with a file
        {"", "fr:de", nullptr, nullptr, "zh_CN.UTF-8", 1}, // none with a file: the locale
        {"", "zh_CN", nullptr, nullptr, "C", 0},           // LANGUAGE is ignored under C
        {"", "zh_CN", "POSIX", nullptr, nullptr, 0},
        {"", "zh_CN", nullptr, nullptr, nullptr, 0}, // unset locale means C
        {"zh_CN", nullptr, nullptr, nullptr, "en_US.UTF-8", 1},
        {"en", "zh_CN", nullptr, nullptr, "zh_CN.UTF-8", 0},
        {"zh", nullptr, nullptr, nullptr, "en_US.UTF-8", 1},
        {"ja", nullptr, nullptr, nullptr, "zh_CN.UTF-8", 1}, // no such file: the desktop's
    };
    for (const Row& r : rows) {
        std::map<std::string, const char*> env = {{"LANGUAGE", r.language},
                                                  {"LC_ALL", r.lcAll},
                                                  {"LC_MESSAGES", r.lcMessages},
                                                  {"LANG", r.lang}};
        int chosen = qv::ChooseLanguage(
            r.setting, [&](const char* var) { return env[var]; }, files, 2);
        EXPECT_EQ(chosen, r.expected)
            << "setting=" << r.setting << " LANGUAGE=" << (r.language ? r.language : "-")
            << " LC_ALL=" << (r.lcAll ? r.lcAll : "-")
            << " LC_MESSAGES=" << (r.lcMessages ? r.lcMessages : "-")
            << " LANG=" << (r.lang ? r.lang : "-");
    }
    // Without an English file the first one stands in; without files, none.
    const std::string others[] = {"de", "zh_CN"};
    EXPECT_EQ(qv::ChooseLanguage(
                  "", [](const char*) { return "fr_FR"; }, others, 2),
              0);
    EXPECT_EQ(qv::ChooseLanguage(
                  "", [](const char*) { return "fr_FR"; }, others, 0),
              -1);
}

TEST(Lorvesta, SelectsBySettingListsItsLanguagesAndTellsAMissingText) {
    using OpenFn = void (*)(const char*);
    using SelectFn = void (*)(const char*);
    using InfoFn = const char* (*)(int);
    using FindFn = const char* (*)(const char*, const char*);
    qvtest::Library lib("libLorvesta.so");
    auto open = lib.Symbol<OpenFn>("LangOpen");
    auto select = lib.Symbol<SelectFn>("LangSelectLocale");
    auto name = lib.Symbol<InfoFn>("LangName");
    auto locale = lib.Symbol<InfoFn>("LangLocale");
    auto find = lib.Symbol<FindFn>("LangFind");

    ::setenv("LANG", "en_US.UTF-8", 1);
    ::unsetenv("LC_ALL");
    ::unsetenv("LC_MESSAGES");
    ::unsetenv("LANGUAGE");
    open("Lang/*.xml");
    EXPECT_STREQ(name(1), "English");
    EXPECT_STREQ(locale(2), "zh_CN");
    EXPECT_EQ(name(0), nullptr);
    EXPECT_EQ(locale(3), nullptr);
    select("zh_CN");
    EXPECT_STREQ(find("Menu", "About"), "关于...");
    select("");
    EXPECT_STREQ(find("Menu", "About"), "About...");
    EXPECT_STREQ(find("Dialog", "OK"), "OK"); // a text that equals its key is still found
    EXPECT_STREQ(find("DlgTrim", "Title"), "Trim");
    EXPECT_EQ(find("DlgTrim", "NoSuchKey"), nullptr);
    EXPECT_EQ(find(nullptr, nullptr), nullptr);
}
