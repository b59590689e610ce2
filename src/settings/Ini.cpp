#include "Ini.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <optional>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace qv {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z')
            x = static_cast<unsigned char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<unsigned char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

bool Given(const char* s) {
    return s && *s;
}

std::optional<std::string> ReadFile(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return std::nullopt;
    std::string data;
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        data.append(buffer, n);
    std::fclose(f);
    return data;
}

// One line of the file as it stands, split into its parts.
struct Line {
    std::string_view raw;   // without the line end
    bool isSection = false; // "[name]"
    bool isKey = false;     // "key=value" outside comments
    std::string_view name;  // section or key name, trimmed
    std::string_view value; // trimmed value of a key line
};

struct Parsed {
    std::vector<Line> lines;
    std::string eol = "\r\n"; // the file's own line end, CRLF for a new file
};

Parsed Parse(std::string_view data) {
    Parsed p;
    if (data.substr(0, 3) == "\xEF\xBB\xBF")
        data.remove_prefix(3); // kept out of the first line's name; written back below
    bool sawEol = false;
    size_t pos = 0;
    while (pos < data.size()) {
        size_t nl = data.find('\n', pos);
        std::string_view raw =
            data.substr(pos, nl == std::string_view::npos ? std::string_view::npos : nl - pos);
        if (nl != std::string_view::npos && !sawEol) {
            p.eol = (!raw.empty() && raw.back() == '\r') ? "\r\n" : "\n";
            sawEol = true;
        }
        if (!raw.empty() && raw.back() == '\r')
            raw.remove_suffix(1);
        Line line;
        line.raw = raw;
        std::string_view t = Trim(raw);
        if (!t.empty() && t.front() == '[') {
            size_t close = t.find(']');
            if (close != std::string_view::npos) {
                line.isSection = true;
                line.name = Trim(t.substr(1, close - 1));
            }
        } else if (!t.empty() && t.front() != ';') {
            size_t eq = t.find('=');
            if (eq != std::string_view::npos) {
                line.isKey = true;
                line.name = Trim(t.substr(0, eq));
                line.value = Trim(t.substr(eq + 1));
            }
        }
        p.lines.push_back(line);
        if (nl == std::string_view::npos)
            break;
        pos = nl + 1;
    }
    return p;
}

// The value of key in the first section of that name that has it.
std::optional<std::string> Lookup(const std::string& path, const char* section, const char* key) {
    std::optional<std::string> data = ReadFile(path);
    if (!data)
        return std::nullopt;
    Parsed p = Parse(*data);
    bool inSection = false;
    for (const Line& line : p.lines) {
        if (line.isSection)
            inSection = EqualNoCase(line.name, section);
        else if (inSection && line.isKey && EqualNoCase(line.name, key)) {
            std::string_view v = line.value;
            size_t nul = v.find('\0');
            return std::string(v.substr(0, nul));
        }
    }
    return std::nullopt;
}

// The file a path names: a link is followed to its target (which may not
// exist yet), so that writing it keeps the link.
std::string LinkTarget(const std::string& path) {
    std::string target = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        if (::lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return target;
        std::string next(static_cast<size_t>(st.st_size > 0 ? st.st_size : 4096) + 1, '\0');
        const ssize_t n = ::readlink(target.c_str(), next.data(), next.size());
        if (n < 0)
            return target;
        next.resize(static_cast<size_t>(n));
        if (next.empty() || next.front() != '/') {
            const size_t slash = target.rfind('/');
            next =
                (slash == std::string::npos ? std::string() : target.substr(0, slash + 1)) + next;
        }
        target = std::move(next);
    }
    return target;
}

// Writes the whole file under a temporary name and renames it over the old
// one, so that a failed write never leaves half a settings file. A folder that
// takes no new files falls back to rewriting the file in place. A link is
// written through, and a file without write permission is left as it is.
bool StoreFile(const std::string& linkOrFile, const std::string& data) {
    const std::string path = LinkTarget(linkOrFile);
    struct stat st;
    mode_t mode = 0644;
    if (::stat(path.c_str(), &st) == 0) {
        mode = st.st_mode & 07777;
        if ((mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0)
            return false;
    }
    std::string tmp = path + ".tmp" + std::to_string(::getpid());
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    bool viaTemp = fd >= 0;
    if (!viaTemp) {
        fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
        if (fd < 0)
            return false;
    }
    size_t done = 0;
    bool ok = true;
    while (done < data.size()) {
        ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ok = false;
            break;
        }
        done += static_cast<size_t>(n);
    }
    if (::close(fd) != 0)
        ok = false;
    if (!viaTemp)
        return ok;
    if (!ok || ::rename(tmp.c_str(), path.c_str()) != 0) {
        ::unlink(tmp.c_str());
        return false;
    }
    return true;
}

std::string OneLine(const char* text) {
    std::string s = text ? text : "";
    // A line break inside a value would end the line and spill the rest into
    // the file as a line of its own.
    for (char& c : s)
        if (c == '\n' || c == '\r')
            c = ' ';
    return s;
}

} // namespace

std::string CIni::ReadText(const char* section, const char* key, const char* def) const {
    std::string fallback = def ? def : "";
    if (!Given(section) || !Given(key))
        return fallback;
    std::optional<std::string> v = Lookup(path_, section, key);
    return v ? *v : fallback;
}

uint32_t IniUnsignedValue(const std::string& value, uint32_t def) {
    std::string_view s = std::string_view(value).substr(0, 64);
    if (s.empty())
        return def;
    size_t i = 0;
    while (i < s.size() && (IsBlank(s[i]) || s[i] == '\n' || s[i] == '\r'))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        negative = s[i++] == '-';
    uint64_t v = 0;
    bool overflow = false;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        v = v * 10 + static_cast<uint64_t>(s[i] - '0');
        if (v > UINT32_MAX) {
            overflow = true;
            v = UINT32_MAX;
        }
    }
    if (overflow)
        return UINT32_MAX;
    uint32_t r = static_cast<uint32_t>(v);
    return negative ? static_cast<uint32_t>(0u - r) : r;
}

int IniFlagValue(const std::string& value, int def) {
    std::string_view s = std::string_view(value).substr(0, 64);
    if (s.empty())
        return def;
    if (EqualNoCase(s, "true") || EqualNoCase(s, "yes"))
        return 1;
    size_t i = 0;
    while (i < s.size() && IsBlank(s[i]))
        ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        ++i;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i)
        if (s[i] != '0')
            return 1;
    return 0;
}

uint32_t CIni::ReadUnsigned(const char* section, const char* key, uint32_t def) const {
    if (!Given(section) || !Given(key))
        return def;
    return IniUnsignedValue(ReadText(section, key), def);
}

int CIni::ReadFlag(const char* section, const char* key, int def) const {
    if (!Given(section) || !Given(key))
        return def;
    return IniFlagValue(ReadText(section, key), def);
}

bool CIni::WriteText(const char* section, const char* key, const char* text) const {
    if (!Given(section) || !Given(key))
        return false;
    std::optional<std::string> data = ReadFile(path_);
    std::string old = data.value_or("");
    bool bom = old.compare(0, 3, "\xEF\xBB\xBF") == 0;
    Parsed p = Parse(old);
    const std::string entry = std::string(key) + "=" + OneLine(text);

    // Find the key in the first section of that name, or the place to add it:
    // after the last key line of that section.
    std::optional<size_t> sectionAt, keyAt, insertAfter;
    bool inSection = false;
    for (size_t i = 0; i < p.lines.size(); ++i) {
        const Line& line = p.lines[i];
        if (line.isSection) {
            if (inSection)
                break; // the first section of that name ends here
            inSection = EqualNoCase(line.name, section) && !sectionAt;
            if (inSection)
                sectionAt = insertAfter = i;
        } else if (inSection && line.isKey) {
            insertAfter = i;
            if (EqualNoCase(line.name, key)) {
                keyAt = i;
                break;
            }
        }
    }

    std::vector<std::string> out;
    out.reserve(p.lines.size() + 3);
    for (const Line& line : p.lines)
        out.emplace_back(line.raw);
    if (keyAt) {
        out[*keyAt] = entry;
    } else if (sectionAt) {
        out.insert(out.begin() + static_cast<long>(*insertAfter) + 1, entry);
    } else {
        std::string header = "[";
        header.append(section).append("]");
        out.push_back(std::move(header));
        out.push_back(entry);
    }

    std::string result = bom ? "\xEF\xBB\xBF" : "";
    for (const std::string& line : out) {
        result += line;
        result += p.eol;
    }
    return StoreFile(path_, result);
}

bool CIni::WriteNumber(const char* section, const char* key, int value) const {
    return WriteText(section, key, std::to_string(value).c_str());
}

} // namespace qv
