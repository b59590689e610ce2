#include "CliArguments.h"

#include <cctype>
#include <cstdlib>

namespace qv {

const char* CliUsage() {
    return "usage: quorvane-cli --list-profiles\n"
           "       quorvane-cli -p PROFILE -o FOLDER [--start hh:mm:ss] [--end hh:mm:ss] [--] "
           "FILE...\n"
           "       quorvane-cli --estimate -p PROFILE [-o FOLDER] [--start ..] [--end ..] "
           "FILE...\n"
           "       quorvane-cli --titles DVD\n"
           "       quorvane-cli -p PROFILE -o FOLDER --dvd DVD --title N [--title M ...] "
           "[--audio K] [--subtitle K] [--start hh:mm:ss] [--end hh:mm:ss]\n"
           "       quorvane-cli --list-tracks FILE\n"
           "\n"
           "  -p, --profile NAME   the output profile (names as --list-profiles prints them)\n"
           "  -o, --output FOLDER  the folder the results are written into\n"
           "  --start, --end TIME  convert only that part of each file or title\n"
           "  --titles DVD         list the titles of a DVD drive or folder: number, length,\n"
           "                       audio tracks and subtitles, numbered from 1\n"
           "  --dvd DVD            convert titles of a DVD drive or folder\n"
           "  --title N            a title to convert (as --titles numbers it; repeatable)\n"
           "  --estimate           print each job's estimated size (bytes) and encode time;\n"
           "                       convert nothing, write nothing\n"
           "  --audio K            the K-th audio track --titles or --list-tracks lists\n"
           "                       (default: a title's first, a file's default track)\n"
           "  --subtitle K         the K-th subtitle --titles or --list-tracks lists, burnt\n"
           "                       in (default: none)\n"
           "  --list-tracks FILE   list the audio tracks and subtitles of a file, numbered\n"
           "                       from 1, with language and format\n"
           "  --subtitle-mode M    burn (default) or keep: a file's subtitle kept as a track\n"
           "                       where the output carries one (MKV; MP4 as text)\n"
           "  --                   what follows are file names, even those beginning with -\n"
           "  -h, --help           this text\n";
}

bool IsTimeText(const std::string& t) {
    auto digit = [&t](size_t i) { return std::isdigit(static_cast<unsigned char>(t[i])) != 0; };
    return t.size() == 8 && t[2] == ':' && t[5] == ':' && digit(0) && digit(1) && digit(3) &&
           t[3] < '6' && digit(4) && digit(6) && t[6] < '6' && digit(7);
}

Result<CliCommand> ReadCliArguments(const std::vector<std::string>& args) {
    CliCommand c;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& into) -> Status {
            if (i + 1 >= args.size())
                return Status::Fail(a + " needs a value");
            into = args[++i];
            return {};
        };
        auto time = [&](std::string& into) -> Status {
            if (Status s = value(into); !s)
                return s;
            if (!IsTimeText(into))
                return Status::Fail(a + " needs a time as hh:mm:ss, not \"" + into + "\"");
            return {};
        };
        auto number = [&](int& into) -> Status {
            std::string text;
            if (Status s = value(text); !s)
                return s;
            char* end = nullptr;
            const long n = std::strtol(text.c_str(), &end, 10);
            if (text.empty() || *end != '\0' || n < 1 || n > 999)
                return Status::Fail(a + " needs a number from 1, not \"" + text + "\"");
            into = static_cast<int>(n);
            return {};
        };
        Status read;
        if (a == "-h" || a == "--help") {
            c.help = true;
            return c;
        }
        if (a == "--list-profiles")
            c.listProfiles = true;
        else if (a == "-p" || a == "--profile")
            read = value(c.profile);
        else if (a == "-o" || a == "--output")
            read = value(c.outputFolder);
        else if (a == "--start")
            read = time(c.start);
        else if (a == "--end")
            read = time(c.end);
        else if (a == "--titles")
            read = value(c.titlesOf);
        else if (a == "--dvd")
            read = value(c.dvd);
        else if (a == "--title") {
            int n = 0;
            if (read = number(n); read)
                c.titles.push_back(n);
        } else if (a == "--audio")
            read = number(c.audio);
        else if (a == "--subtitle")
            read = number(c.subtitle);
        else if (a == "--estimate")
            c.estimate = true;
        else if (a == "--list-tracks")
            read = value(c.tracksOf);
        else if (a == "--subtitle-mode") {
            if (read = value(c.subtitleMode);
                read && c.subtitleMode != "burn" && c.subtitleMode != "keep")
                read = Status::Fail("--subtitle-mode needs burn or keep, not \"" + c.subtitleMode +
                                    "\"");
        } else if (a == "--") {
            c.files.insert(c.files.end(), args.begin() + static_cast<long>(i) + 1, args.end());
            break;
        } else if (a.size() > 1 && a[0] == '-')
            read = Status::Fail("unknown option " + a);
        else
            c.files.push_back(a);
        if (!read)
            return read;
    }
    if (c.listProfiles || !c.titlesOf.empty() || !c.tracksOf.empty())
        return c;
    if (c.dvd.empty() && !c.titles.empty())
        return Status::Fail("--title needs --dvd");
    if (!c.dvd.empty() && c.subtitleMode == "keep")
        return Status::Fail("--subtitle-mode keep is for files: a DVD's subtitles are burnt in");
    if (!c.dvd.empty() && !c.files.empty())
        return Status::Fail("a conversion takes files or --dvd, not both");
    if (!c.dvd.empty() && c.titles.empty())
        return Status::Fail("--dvd needs at least one --title (see --titles)");
    if (c.estimate && c.outputFolder.empty())
        c.outputFolder = "."; // never written to: the names are only reckoned
    if (c.profile.empty() || c.outputFolder.empty() || (c.files.empty() && c.dvd.empty()))
        return Status::Fail("a conversion needs a profile, an output folder and a file");
    return c;
}

} // namespace qv
