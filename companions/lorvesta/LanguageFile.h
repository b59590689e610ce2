#pragma once

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

} // namespace qv
