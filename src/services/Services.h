#pragma once

#include <string>
#include <vector>

namespace qv {

// The language texts and the log, through the companion libraries.

// The interface text of a pair in the chosen language (never empty of
// meaning: an undefined pair gives its key).
std::string Text(const char* section, const char* key);
// The text of a pair in the chosen language when its file has one, else the
// program's built-in text (Chinese).
std::string UiText(const char* section, const char* key, const char* builtIn);
// Opens the language files "Lang/*.xml" of the program folder and selects
// the one of the setting System/Language of the settings file (empty: the
// desktop's locale).
void LangOpenDefault();
// Opens the language files and selects the one for a setting.
void LangOpenFor(const std::string& languageSetting);

// The languages found, for a choice list.
struct LanguageChoice {
    std::string name;   // as the file names itself ("English")
    std::string locale; // the value of the setting ("en")
};
std::vector<LanguageChoice> AvailableLanguages();

// Open a folder or a document with the desktop's program for it; when there
// is none, the user is told which one could not be opened.
void ShowFolder(const std::string& path);
void ShowDocument(const std::string& pathOrUrl);

// Sends the log to LogFolder(); the start-up calls it before the first entry.
void SetUpLog();
// One log entry; returns at once, from any thread.
void Log(const std::string& text);
// A printf-style log entry of any length.
void LogF(const char* format, ...) __attribute__((format(printf, 1, 2)));

} // namespace qv
