#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>

namespace qv {

// One language file:
//   <Language name="English" locale="en">
//     <MainUI><treeSource>Source</treeSource> ...</MainUI>
//     <MsgBox> ... </MsgBox>
//   </Language>
// Sections are the children of Language, keys the children of a section.
struct LanguageFile {
    std::string name;
    std::string locale;
    std::map<std::string, std::string> texts; // "section\x1fkey" -> text
};

std::string LanguageKey(std::string_view section, std::string_view key);

// Reads a language file's bytes; false (and why) when it is not one.
bool ParseLanguageFile(std::string_view data, LanguageFile& out, std::string* error);

// The file that fits a locale text such as "zh_CN.UTF-8": the same language
// and country, else the same language; -1 when none fits.
int MatchLocale(const std::string& locale, const std::string* fileLocales, int count);

// The file to use, from the user's setting (a locale such as "zh_CN"; empty:
// follow the desktop) and the environment as gettext reads it: the first set
// of LC_ALL, LC_MESSAGES, LANG is the locale; unless that is C or POSIX, the
// entries of LANGUAGE ("de:en") come first. Without a match the English file
// (locale "en"), else the first. -1 only when there are no files.
int ChooseLanguage(const std::string& setting, const std::function<const char*(const char*)>& env,
                   const std::string* fileLocales, int count);

} // namespace qv
