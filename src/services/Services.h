#pragma once

#include <string>

namespace qv {

// The language texts and the log, through the companion libraries.

// The interface text of a pair in the chosen language (never empty of
// meaning: an undefined pair gives its key).
std::string Text(const char* section, const char* key);
// Opens the language files "Lang/*.xml" of the program folder and selects
// the desktop's language when there are any.
void LangOpenDefault();
// One log entry; returns at once, from any thread.
void Log(const std::string& text);
// A printf-style log entry of any length.
void LogF(const char* format, ...) __attribute__((format(printf, 1, 2)));

} // namespace qv
