#include "CommandLine.h"

namespace qv {

std::vector<std::string> SplitCommandLine(std::string_view line) {
    return SplitCommandLine(line, nullptr);
}

std::vector<std::string> SplitCommandLine(std::string_view line, bool* unmatchedQuote) {
    std::vector<std::string> args;
    std::string current;
    bool inArg = false;
    bool quoted = false;
    size_t i = 0;
    while (i < line.size()) {
        char c = line[i];
        if (!quoted && (c == ' ' || c == '\t' || c == '\n' || c == '\r')) {
            if (inArg) {
                args.push_back(std::move(current));
                current.clear();
                inArg = false;
            }
            ++i;
            continue;
        }
        inArg = true;
        if (c == '\\') {
            size_t n = 0;
            while (i < line.size() && line[i] == '\\') {
                ++n;
                ++i;
            }
            if (i < line.size() && line[i] == '"') {
                current.append(n / 2, '\\');
                if (n % 2 == 1) {
                    current.push_back('"');
                    ++i;
                }
                // An even count leaves the quote to toggle on the next round.
            } else {
                current.append(n, '\\');
            }
            continue;
        }
        if (c == '"') {
            quoted = !quoted;
            ++i;
            continue;
        }
        current.push_back(c);
        ++i;
    }
    if (inArg)
        args.push_back(std::move(current));
    if (unmatchedQuote)
        *unmatchedQuote = quoted;
    return args;
}

std::string QuotePath(std::string_view path) {
    std::string text;
    if (!path.empty() && path.front() == '-')
        text = "./";
    text.append(path);

    std::string out = "\"";
    size_t backslashes = 0;
    for (char c : text) {
        if (c == '\\') {
            ++backslashes;
            out.push_back(c);
            continue;
        }
        if (c == '"') {
            // Double the backslashes before the quote, then escape the quote.
            out.append(backslashes + 1, '\\');
        }
        backslashes = 0;
        out.push_back(c);
    }
    // Backslashes before the closing quote must not escape it.
    out.append(backslashes, '\\');
    out.push_back('"');
    return out;
}

} // namespace qv
