#include "LanguageFile.h"

#include "TextEncoding.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cctype>

namespace qv {

std::string LanguageKey(std::string_view section, std::string_view key) {
    std::string k(section);
    k += '\x1f';
    k += key;
    return k;
}

bool ParseLanguageFile(std::string_view data, LanguageFile& out, std::string* error) {
    std::string text = XmlToUtf8(data);
    pugi::xml_document doc;
    pugi::xml_parse_result r =
        doc.load_buffer(text.data(), text.size(), pugi::parse_default, pugi::encoding_auto);
    if (!r) {
        if (error)
            *error = r.description();
        return false;
    }
    pugi::xml_node root = doc.child("Language");
    if (!root) {
        if (error)
            *error = "no Language element";
        return false;
    }
    out.name = root.attribute("name").as_string();
    out.locale = root.attribute("locale").as_string();
    for (pugi::xml_node section : root.children()) {
        if (section.type() != pugi::node_element)
            continue;
        for (pugi::xml_node key : section.children()) {
            if (key.type() != pugi::node_element)
                continue;
            out.texts[LanguageKey(section.name(), key.name())] = key.text().as_string();
        }
    }
    return true;
}

namespace {

// "zh_CN.UTF-8@euro" -> "zh_cn"; "-" and "_" alike.
std::string NormalLocale(std::string s) {
    s = s.substr(0, s.find_first_of(".@"));
    for (char& c : s) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (c == '-')
            c = '_';
    }
    return s;
}

std::string LanguagePart(const std::string& normal) {
    return normal.substr(0, normal.find('_'));
}

} // namespace

int MatchLocale(const std::string& locale, const std::string* fileLocales, int count) {
    std::string want = NormalLocale(locale);
    if (want.empty() || want == "c" || want == "posix")
        return -1;
    for (int i = 0; i < count; ++i)
        if (NormalLocale(fileLocales[i]) == want)
            return i;
    for (int i = 0; i < count; ++i)
        if (!fileLocales[i].empty() &&
            LanguagePart(NormalLocale(fileLocales[i])) == LanguagePart(want))
            return i;
    return -1;
}

int ChooseLanguage(const std::string& setting, const std::function<const char*(const char*)>& env,
                   const std::string* fileLocales, int count) {
    if (count <= 0)
        return -1;
    if (int i = MatchLocale(setting, fileLocales, count); i >= 0)
        return i;
    std::string locale;
    for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* v = env(var);
        if (v && *v) {
            locale = v;
            break;
        }
    }
    const std::string normal = NormalLocale(locale);
    if (!normal.empty() && normal != "c" && normal != "posix") {
        const char* list = env("LANGUAGE");
        std::string entries = list ? list : "";
        for (size_t start = 0; start < entries.size();) {
            size_t colon = entries.find(':', start);
            if (colon == std::string::npos)
                colon = entries.size();
            if (int i = MatchLocale(entries.substr(start, colon - start), fileLocales, count);
                i >= 0)
                return i;
            start = colon + 1;
        }
        if (int i = MatchLocale(locale, fileLocales, count); i >= 0)
            return i;
    }
    int english = MatchLocale("en", fileLocales, count);
    return english >= 0 ? english : 0;
}

} // namespace qv
