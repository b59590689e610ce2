#include "CliArguments.h"

#include <cctype>

namespace qv {

const char* CliUsage() {
    return "usage: quorvane-cli --list-profiles\n"
           "       quorvane-cli -p PROFILE -o FOLDER [--start hh:mm:ss] [--end hh:mm:ss] [--] "
           "FILE...\n"
           "\n"
           "  -p, --profile NAME   the output profile (names as --list-profiles prints them)\n"
           "  -o, --output FOLDER  the folder the results are written into\n"
           "  --start, --end TIME  convert only that part of each file\n"
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
        else if (a == "--") {
            c.files.insert(c.files.end(), args.begin() + static_cast<long>(i) + 1, args.end());
            break;
        } else if (a.size() > 1 && a[0] == '-')
            read = Status::Fail("unknown option " + a);
        else
            c.files.push_back(a);
        if (!read)
            return read;
    }
    if (!c.listProfiles && (c.profile.empty() || c.outputFolder.empty() || c.files.empty()))
        return Status::Fail("a conversion needs a profile, an output folder and a file");
    return c;
}

} // namespace qv
