#include "Lorvesta.h"

#include "LanguageFile.h"
#include "LibraryFolder.h"

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <glob.h>
#include <mutex>
#include <shared_mutex>
#include <sstream>
#include <unordered_map>
#include <vector>

namespace {

struct Language {
    std::string name;
    std::string locale;
    std::unordered_map<std::string, const char*> texts;
};

// Every text ever handed out lives in the pool until the process ends, so a
// pointer stays valid across later lookups, selections and reopenings.
struct State {
    std::shared_mutex mutex;
    std::deque<std::string> pool;
    std::unordered_map<std::string, const char*> interned;
    std::vector<Language> languages;
    int selected = -1;
    bool selectedOnce = false;

    const char* Intern(const std::string& s) {
        auto it = interned.find(s);
        if (it != interned.end())
            return it->second;
        pool.push_back(s);
        const char* p = pool.back().c_str();
        interned.emplace(s, p);
        return p;
    }
};

State& S() {
    static State* state = new State; // outlives every caller, also at exit
    return *state;
}

std::string ReadWhole(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

int PickForLocale(const std::vector<Language>& languages, const std::string& setting = "") {
    std::vector<std::string> locales;
    for (const Language& l : languages)
        locales.push_back(l.locale);
    int i = qv::ChooseLanguage(
        setting, [](const char* var) { return std::getenv(var); }, locales.data(),
        static_cast<int>(locales.size()));
    return i >= 0 ? i : 0;
}

// A text of the selected language; null for none. The caller holds the lock.
const char* FindSelected(const State& s, const std::string& lookup) {
    if (!s.selectedOnce)
        return nullptr;
    const Language& l = s.languages[static_cast<size_t>(s.selected)];
    auto it = l.texts.find(lookup);
    return it != l.texts.end() ? it->second : nullptr;
}

void SelectOnFirstUse(State& s) {
    // Asked before any selection: use the one the desktop would get.
    if (!s.selectedOnce && !s.languages.empty()) {
        s.selected = PickForLocale(s.languages);
        s.selectedOnce = true;
    }
}

} // namespace

extern "C" void LangOpen(const char* pattern) {
    std::string p = pattern && *pattern ? pattern : "Lang/*.xml";
    std::replace(p.begin(), p.end(), '\\', '/');
    if (p.front() != '/')
        p = qv::LibraryFolder() + p;

    std::vector<std::string> files;
    glob_t g{};
    if (::glob(p.c_str(), 0, nullptr, &g) == 0)
        for (size_t i = 0; i < g.gl_pathc; ++i)
            files.emplace_back(g.gl_pathv[i]);
    ::globfree(&g); // glob sorts the names

    State& s = S();
    std::unique_lock lock(s.mutex);
    s.languages.clear();
    s.selected = -1;
    s.selectedOnce = false;
    for (const std::string& file : files) {
        qv::LanguageFile parsed;
        if (!qv::ParseLanguageFile(ReadWhole(file), parsed, nullptr))
            continue; // a broken file is no language; the others still are
        Language l;
        l.name = s.Intern(parsed.name);
        l.locale = s.Intern(parsed.locale);
        for (const auto& [k, v] : parsed.texts)
            l.texts.emplace(k, s.Intern(v));
        s.languages.push_back(std::move(l));
    }
}

extern "C" int LangAvailable(void) {
    State& s = S();
    std::shared_lock lock(s.mutex);
    return static_cast<int>(s.languages.size());
}

extern "C" void LangSelect(int index) {
    State& s = S();
    std::unique_lock lock(s.mutex);
    if (s.languages.empty())
        return;
    s.selected = (index > 0 && index <= static_cast<int>(s.languages.size()))
                     ? index - 1
                     : PickForLocale(s.languages);
    s.selectedOnce = true;
}

extern "C" void LangSelectLocale(const char* setting) {
    State& s = S();
    std::unique_lock lock(s.mutex);
    if (s.languages.empty())
        return;
    s.selected = PickForLocale(s.languages, setting ? setting : "");
    s.selectedOnce = true;
}

namespace {

const char* LanguageField(int index, std::string Language::*field) {
    State& s = S();
    std::shared_lock lock(s.mutex);
    if (index < 1 || index > static_cast<int>(s.languages.size()))
        return nullptr;
    // Interned when the file was read, so the pointer outlives a reopening.
    return s.interned.at(s.languages[static_cast<size_t>(index - 1)].*field);
}

// The text of a pair, or null; selects the desktop's language on first use.
const char* Find(const std::string& lookup) {
    State& s = S();
    {
        std::shared_lock lock(s.mutex);
        if (s.selectedOnce)
            return FindSelected(s, lookup);
    }
    std::unique_lock lock(s.mutex);
    SelectOnFirstUse(s);
    return FindSelected(s, lookup);
}

} // namespace

extern "C" const char* LangName(int index) {
    return LanguageField(index, &Language::name);
}

extern "C" const char* LangLocale(int index) {
    return LanguageField(index, &Language::locale);
}

extern "C" const char* LangFind(const char* section, const char* key) {
    return Find(qv::LanguageKey(section ? section : "", key ? key : ""));
}

extern "C" const char* LangText(const char* section, const char* key) {
    const std::string k = key ? key : "";
    if (const char* text = Find(qv::LanguageKey(section ? section : "", k)))
        return text;
    State& s = S();
    std::unique_lock lock(s.mutex);
    return s.Intern(k);
}
