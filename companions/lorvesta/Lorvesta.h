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
// Selects the file whose locale fits the user's setting ("zh_CN"); an empty
// or unmatched setting follows the desktop's locale (LANGUAGE, LC_ALL,
// LC_MESSAGES, LANG), else English.
QV_EXPORT void LangSelectLocale(const char* setting);
// The name and the locale of the n-th file found (from 1); null out of range.
QV_EXPORT const char* LangName(int index);
QV_EXPORT const char* LangLocale(int index);
// The text of a pair in the selected language; null when it has none.
QV_EXPORT const char* LangFind(const char* section, const char* key);
// The text of a pair in the selected language; the key itself for a pair no
// file defines. Never null; valid for the life of the process; any thread.
QV_EXPORT const char* LangText(const char* section, const char* key);
}
