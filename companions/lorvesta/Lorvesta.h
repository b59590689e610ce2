#pragma once

// The language service: interface texts by section and key, from the
// language files "Lang/*.xml".
#define QV_EXPORT __attribute__((visibility("default")))
extern "C" {
// Finds the language files; a relative pattern is taken from the folder of
// this library (the program folder). Backslashes count as "/".
QV_EXPORT void LangOpen(const char* pattern);
// How many languages were found.
QV_EXPORT int LangAvailable(void);
// 0: the language of the desktop's locale, else the first file found;
// n > 0: the n-th file found.
QV_EXPORT void LangSelect(int index);
// The text of a pair in the selected language; the key itself for a pair no
// file defines. Never null; valid for the life of the process; any thread.
QV_EXPORT const char* LangText(const char* section, const char* key);
}
