#include "Options.h"
#include "Number.h"

#include "OptionTable.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>

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

// Reads the value of an option, typed as name, as its kind says. On a
// value that does not fit returns false and a reason.
bool ReadValue(const Option& option, const std::string& name, const std::string& v, ArgValue* value,
               std::string* error) {
    auto expects = [&](const std::string& what) {
        *error = "option " + name + " expects " + what + ", not \"" + v + "\"";
        return false;
    };
    value->text = v;
    switch (option.arg) {
    case Arg::None:
    case Arg::SubOptions: return true;
    case Arg::Integer:
        if (!ParseInt(v, &value->number) || value->number < option.min ||
            value->number > option.max)
            return expects("a number from " + std::to_string(option.min) + " to " +
                           std::to_string(option.max));
        return true;
    case Arg::Count:
        return (ParseInt(v, &value->number) && value->number > 0) || expects("a positive number");
    case Arg::Number: {
        return (qv::WholeNumber(v)) || expects("a number");
    }
    case Arg::Time:
        value->seconds = ParseTime(v);
        return value->seconds.has_value() || expects("a time such as 00:01:30");
    case Arg::SizeOrTime:
        value->bytes = ParseSize(v);
        if (!value->bytes)
            value->seconds = ParseTime(v);
        return value->bytes || value->seconds || expects("a time or a size such as 100mb");
    case Arg::FrameRate: {
        std::vector<std::string> p = Split(v, '/');
        bool ok = p.size() <= 2 && !p[0].empty();
        for (const std::string& part : p) {
            const std::optional<double> d = qv::WholeNumber(part);
            ok = ok && d && *d > 0 && *d < 1000000;
        }
        return ok || expects("a frame rate such as 25 or 30000/1001");
    }
    case Arg::Text:
        if (v.empty()) {
            *error = "option " + name + " needs " + option.needs;
            return false;
        }
        return true;
    case Arg::FourCC: return v.size() == 4 || expects("four characters");
    case Arg::Choice: {
        if (std::find(option.choices.begin(), option.choices.end(), v) != option.choices.end())
            return true;
        std::string list;
        for (const std::string& c : option.choices)
            list += (list.empty() ? "" : ", ") + c;
        *error = "option " + name + " does not know \"" + v + "\" (known: " + list + ")";
        return false;
    }
    case Arg::FilterChain: return ParseFilters(v, value->filters, error);
    }
    return false;
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
        const std::optional<double> whole = qv::WholeNumber(p);
        if (!whole || !std::isfinite(*whole) || *whole < 0 || p[0] == '+')
            return std::nullopt;
        const double v = *whole;
        if (i + 1 < parts.size() && p.find('.') != std::string::npos)
            return std::nullopt; // only the seconds may have a fraction
        total = total * 60 + v;
    }
    return total;
}

bool ParseArguments(const std::vector<std::string>& args, EncodeJob& job, std::string* error) {
    auto fail = [error](const std::string& why) {
        *error = why;
        return false;
    };
    std::vector<std::string> positional;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.size() > 1 && a[0] == '-') {
            const Option* option = FindOption(a);
            if (!option)
                return fail("unknown option " + a);
            ArgValue value;
            if (option->arg != Arg::None) {
                if (i + 1 >= args.size())
                    return fail("option " + a + " needs a value");
                if (!ReadValue(*option, a, args[++i], &value, error))
                    return false;
            }
            if (option->store)
                option->store(job, a, value);
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
