#include "Services.h"

#include "base/ProgramFolder.h"
#include "lorvesta/Lorvesta.h"
#include "platform/UserServices.h"
#include "quimbrel/Quimbrel.h"
#include "settings/Ini.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace qv {

std::string Text(const char* section, const char* key) {
    return LangText(section, key);
}

std::string UiText(const char* section, const char* key, const char* builtIn) {
    const char* text = LangFind(section, key);
    return text ? text : builtIn;
}

namespace {

void SayNoOpener(const std::string& what) {
    Log("Nothing could open " + what);
    Services().MessageBox(UiText("MsgBox", "NoOpener", "没有可以打开它的程序:") + "\n" + what,
                          Text("MsgBox", "Info"), MsgIcon::Exclamation, MsgButtons::Ok);
}

} // namespace

void ShowFolder(const std::string& path) {
    if (!Services().OpenFolder(path))
        SayNoOpener(path);
}

void ShowDocument(const std::string& pathOrUrl) {
    if (!Services().OpenDocument(pathOrUrl))
        SayNoOpener(pathOrUrl);
}

void LangOpenFor(const std::string& languageSetting) {
    LangOpen("Lang/*.xml");
    if (LangAvailable() > 0)
        LangSelectLocale(languageSetting.c_str());
}

void LangOpenDefault() {
    LangOpenFor(CIni(SettingsFilePath()).ReadText("System", "Language", ""));
}

std::vector<LanguageChoice> AvailableLanguages() {
    std::vector<LanguageChoice> choices;
    for (int i = 1; i <= LangAvailable(); ++i) {
        const char* name = LangName(i);
        const char* locale = LangLocale(i);
        if (name && locale)
            choices.push_back({*name ? name : locale, locale});
    }
    return choices;
}

void SetUpLog() {
    // The log library takes its folder from the variable on its first entry.
    ::setenv("QUORVANE_LOG_DIR", LogFolder().c_str(), 1);
}

void Log(const std::string& text) {
    WriteLogLine(text.c_str());
}

void LogF(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::vector<char> buffer(n > 0 ? static_cast<size_t>(n) + 1 : 1, '\0');
    if (n > 0)
        std::vsnprintf(buffer.data(), buffer.size(), format, args);
    va_end(args);
    WriteLogLine(buffer.data());
}

} // namespace qv
