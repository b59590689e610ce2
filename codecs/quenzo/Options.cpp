#include "Options.h"

#include <cerrno>
#include <cstdlib>
#include <functional>
#include <map>

namespace quenzo {

namespace {

std::vector<std::string> Split(const std::string& text, char sep) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        size_t at = text.find(sep, start);
        parts.push_back(
            text.substr(start, at == std::string::npos ? std::string::npos : at - start));
        if (at == std::string::npos)
            return parts;
        start = at + 1;
    }
}

bool ParseInt(const std::string& text, long* value) {
    if (text.empty())
        return false;
    errno = 0;
    char* end = nullptr;
    long v = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || errno == ERANGE)
        return false;
    *value = v;
    return true;
}

bool ParseFilters(const std::string& chain, std::vector<Filter>& out, std::string* error) {
    for (const std::string& item : Split(chain, ',')) {
        if (item.empty()) {
            *error = "empty filter in the chain \"" + chain + "\"";
            return false;
        }
        Filter f;
        size_t eq = item.find('=');
        f.name = item.substr(0, eq);
        if (eq != std::string::npos)
            f.args = Split(item.substr(eq + 1), ':');
        out.push_back(std::move(f));
    }
    return true;
}

// "100mb", "700kb", "1024b": a size for -endpos.
std::optional<long long> ParseSize(const std::string& text) {
    static const std::pair<const char*, long long> units[] = {
        {"mb", 1024LL * 1024}, {"kb", 1024}, {"b", 1}};
    for (const auto& [suffix, factor] : units) {
        size_t n = std::string(suffix).size();
        if (text.size() > n && text.compare(text.size() - n, n, suffix) == 0) {
            long v;
            if (ParseInt(text.substr(0, text.size() - n), &v) && v > 0)
                return v * factor;
            return std::nullopt;
        }
    }
    return std::nullopt;
}

} // namespace

void SubOptions::Merge(const std::string& text) {
    for (const std::string& part : Split(text, ':')) {
        if (part.empty())
            continue;
        size_t eq = part.find('=');
        std::string key = part.substr(0, eq);
        std::optional<std::string> value;
        if (eq != std::string::npos)
            value = part.substr(eq + 1);
        bool replaced = false;
        for (auto& item : items)
            if (item.first == key) {
                item.second = value;
                replaced = true;
            }
        if (!replaced)
            items.emplace_back(key, value);
    }
}

bool SubOptions::Has(const std::string& key) const {
    for (const auto& item : items)
        if (item.first == key)
            return true;
    return false;
}

std::optional<std::string> SubOptions::Get(const std::string& key) const {
    for (const auto& item : items)
        if (item.first == key)
            return item.second;
    return std::nullopt;
}

std::optional<double> ParseTime(const std::string& text) {
    if (text.empty())
        return std::nullopt;
    double total = 0;
    std::vector<std::string> parts = Split(text, ':');
    if (parts.size() > 3)
        return std::nullopt;
    for (size_t i = 0; i < parts.size(); ++i) {
        const std::string& p = parts[i];
        if (p.empty())
            return std::nullopt;
        char* end = nullptr;
        errno = 0;
        double v = std::strtod(p.c_str(), &end);
        if (*end != '\0' || errno == ERANGE || v < 0 || p[0] == '+' || p[0] == ' ')
            return std::nullopt;
        if (i + 1 < parts.size() && p.find('.') != std::string::npos)
            return std::nullopt; // only the seconds may have a fraction
        total = total * 60 + v;
    }
    return total;
}

bool ParseArguments(const std::vector<std::string>& args, EncodeJob& job, std::string* error) {
    using Handler = std::function<bool(const std::string&)>;
    auto fail = [error](const std::string& why) {
        *error = why;
        return false;
    };
    auto intValue = [&](const char* name, int* out, long min, long max) -> Handler {
        return [=, &fail](const std::string& v) {
            long n;
            if (!ParseInt(v, &n) || n < min || n > max)
                return fail(std::string("option ") + name + " expects a number from " +
                            std::to_string(min) + " to " + std::to_string(max) + ", not \"" + v +
                            "\"");
            *out = static_cast<int>(n);
            return true;
        };
    };
    auto oneOf = [&](const char* name, std::string* out,
                     std::vector<std::string> allowed) -> Handler {
        return [=, &fail](const std::string& v) {
            for (const std::string& a : allowed)
                if (v == a) {
                    *out = v;
                    return true;
                }
            std::string list;
            for (const std::string& a : allowed)
                list += (list.empty() ? "" : ", ") + a;
            return fail(std::string("option ") + name + " does not know \"" + v +
                        "\" (known: " + list + ")");
        };
    };
    auto merge = [](SubOptions* into) -> Handler {
        return [into](const std::string& v) {
            into->Merge(v);
            return true;
        };
    };
    // Options that take a value.
    const std::map<std::string, Handler> valued = {
        {"-o",
         [&](const std::string& v) {
             job.output = v;
             return !v.empty() || fail("option -o needs a file name");
         }},
        {"-ss",
         [&](const std::string& v) {
             job.startSeconds = ParseTime(v);
             return job.startSeconds.has_value() ||
                    fail("option -ss expects a time such as 00:01:30, not \"" + v + "\"");
         }},
        {"-endpos",
         [&](const std::string& v) {
             if (auto bytes = ParseSize(v)) {
                 job.lengthBytes = bytes;
                 return true;
             }
             job.lengthSeconds = ParseTime(v);
             return job.lengthSeconds.has_value() ||
                    fail("option -endpos expects a time or a size such as 100mb, not \"" + v +
                         "\"");
         }},
        {"-frames",
         [&](const std::string& v) {
             long n;
             if (!ParseInt(v, &n) || n <= 0)
                 return fail("option -frames expects a positive number, not \"" + v + "\"");
             job.frames = n;
             return true;
         }},
        {"-ofps",
         [&](const std::string& v) {
             std::vector<std::string> p = Split(v, '/');
             char* end = nullptr;
             bool ok = p.size() <= 2 && !p[0].empty();
             for (const std::string& part : p) {
                 double d = std::strtod(part.c_str(), &end);
                 ok = ok && !part.empty() && *end == '\0' && d > 0 && d < 1000000;
             }
             if (!ok)
                 return fail("option -ofps expects a frame rate such as 25 or 30000/1001, not \"" +
                             v + "\"");
             job.ofps = v;
             return true;
         }},
        {"-srate", intValue("-srate", &job.srate, 1000, 384000)},
        {"-channels", intValue("-channels", &job.channels, 1, 8)},
        {"-mc",
         [&](const std::string& v) {
             char* end = nullptr;
             std::strtod(v.c_str(), &end);
             return (!v.empty() && *end == '\0') ||
                    fail("option -mc expects a number, not \"" + v + "\"");
         }},
        {"-aspect",
         [&](const std::string& v) {
             job.aspect = v;
             return !v.empty() || fail("option -aspect needs a value");
         }},
        {"-vf",
         [&](const std::string& v) {
             job.videoFilters.clear();
             return ParseFilters(v, job.videoFilters, error);
         }},
        {"-vf-add", [&](const std::string& v) { return ParseFilters(v, job.videoFilters, error); }},
        {"-af",
         [&](const std::string& v) {
             job.audioFilters.clear();
             return ParseFilters(v, job.audioFilters, error);
         }},
        {"-af-add", [&](const std::string& v) { return ParseFilters(v, job.audioFilters, error); }},
        {"-ovc", oneOf("-ovc", &job.ovc, {"x264", "xvid", "lavc", "copy", "frameno"})},
        {"-oac", oneOf("-oac", &job.oac, {"mp3lame", "faac", "lavc", "pcm", "copy"})},
        {"-x264encopts", merge(&job.x264)},
        {"-xvidencopts", merge(&job.xvid)},
        {"-lavcopts", merge(&job.lavc)},
        {"-lameopts", merge(&job.lame)},
        {"-faacopts", merge(&job.faac)},
        {"-lavfopts", merge(&job.lavf)},
        {"-mpegopts", merge(&job.mpeg)},
        {"-of", oneOf("-of", &job.of, {"avi", "lavf", "mpeg", "rawvideo", "rawaudio"})},
        {"-ffourcc",
         [&](const std::string& v) {
             job.fourcc = v;
             return (v.size() == 4) ||
                    fail("option -ffourcc expects four characters, not \"" + v + "\"");
         }},
        {"-dvd-device",
         [&](const std::string& v) {
             job.dvdDevice = v;
             return !v.empty() || fail("option -dvd-device needs a drive or a folder");
         }},
        {"-aid", intValue("-aid", &job.aid, 0, 8191)},
        {"-sid", intValue("-sid", &job.sid, 0, 31)},
    };
    // Options without a value.
    const std::map<std::string, std::function<void()>> flags = {
        {"-nosound", [&] { job.nosound = true; }},
        {"-novideo", [&] { job.ovc = "frameno"; }},
        {"-noskip", [] {}},
        {"-quiet", [] {}},
        {"-really-quiet", [] {}},
        {"-forceidx", [] {}},
        {"-quenzo-dry-run", [&] { job.dryRun = true; }},
    };

    std::vector<std::string> positional;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.size() > 1 && a[0] == '-') {
            if (auto f = flags.find(a); f != flags.end()) {
                f->second();
                continue;
            }
            auto v = valued.find(a);
            if (v == valued.end())
                return fail("unknown option " + a);
            if (i + 1 >= args.size())
                return fail("option " + a + " needs a value");
            if (!v->second(args[++i]))
                return false;
            continue;
        }
        positional.push_back(a);
    }

    for (const std::string& p : positional) {
        for (const char* scheme : {"dvd://", "dvdnav://"}) {
            std::string s = scheme;
            if (p.compare(0, s.size(), s) == 0) {
                long n;
                if (!ParseInt(p.substr(s.size()), &n) || n < 1 || n > 99)
                    return fail("\"" + p + "\" names no DVD title (1 to 99)");
                if (job.dvd)
                    return fail("more than one DVD title given");
                job.dvd = true;
                job.dvdTitle = static_cast<int>(n);
            }
        }
        if (p.compare(0, 6, "dvd://") == 0 || p.compare(0, 9, "dvdnav://") == 0)
            continue;
        if (!job.inputFile.empty())
            return fail("more than one input file given: \"" + job.inputFile + "\" and \"" + p +
                        "\"");
        job.inputFile = p;
    }
    if (job.dvd && !job.inputFile.empty())
        return fail("both a DVD title and an input file given");
    if (!job.dvd && job.inputFile.empty())
        return fail("no input file given");
    if (job.dvd && job.dvdDevice.empty())
        job.dvdDevice = "/dev/sr0";
    if (job.output.empty())
        return fail("no output file given (-o)");
    if (job.ovc.empty() && job.of != "rawaudio")
        return fail("no video encoder given (-ovc)");
    if (job.oac.empty() && !job.nosound)
        return fail("no audio encoder given (-oac); -nosound writes no sound");
    return true;
}

} // namespace quenzo
