// quenzo's option table against what depends on it: the README's table,
// `quenzo -quenzo-options`, the command-line parser and the translation.
#include "quenzo/OptionTable.h"
#include "quenzo/Translate.h"

#include "support/Tool.h"

#include "platform/CommandLine.h"

#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <map>
#include <set>

namespace {

using quenzo::Arg;
using quenzo::DocRow;
using quenzo::Option;

// "a | b" as a markdown table cell.
std::string Cell(const std::string& text) {
    std::string cell;
    for (char c : text)
        cell += c == '|' ? std::string("\\|") : std::string(1, c);
    return cell;
}

std::vector<std::string> TableRows() {
    std::vector<std::string> rows;
    for (const DocRow& row : quenzo::OptionRows()) {
        const std::string quote = row.note ? "" : "`";
        std::string line = "| ";
        line.append(quote).append(Cell(row.mencoder)).append(quote);
        line.append(" | ").append(Cell(row.ffmpeg)).append(" |");
        rows.push_back(line);
    }
    return rows;
}

// The table lines of the README's section on quenzo.
std::vector<std::string> ReadmeRows() {
    std::ifstream in(std::string(QV_SOURCE_DIR) + "/README.md");
    EXPECT_TRUE(in) << "cannot read README.md";
    std::vector<std::string> rows;
    bool inSection = false;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("#", 0) == 0) {
            if (inSection)
                break;
            inSection = line == "### `codecs/quenzo`, the encoder";
        } else if (inSection && line.rfind("|", 0) == 0) {
            rows.push_back(line);
        }
    }
    return rows;
}

// A line diff: "  " both, "- " only in a, "+ " only in b.
std::string Diff(const std::vector<std::string>& a, const std::vector<std::string>& b) {
    std::vector<std::vector<size_t>> common(a.size() + 1, std::vector<size_t>(b.size() + 1));
    for (size_t i = a.size(); i-- > 0;)
        for (size_t j = b.size(); j-- > 0;)
            common[i][j] = a[i] == b[j] ? common[i + 1][j + 1] + 1
                                        : std::max(common[i + 1][j], common[i][j + 1]);
    std::string diff;
    size_t i = 0, j = 0;
    while (i < a.size() || j < b.size()) {
        if (i < a.size() && j < b.size() && a[i] == b[j]) {
            diff += "  " + a[i++] + "\n";
            ++j;
        } else if (j < b.size() && (i == a.size() || common[i][j + 1] >= common[i + 1][j])) {
            diff += "+ " + b[j++] + "\n";
        } else {
            diff += "- " + a[i++] + "\n";
        }
    }
    return diff;
}

// The word (an option, a key, a name) in text, not as part of a longer one.
bool Mentions(const std::string& text, const std::string& word) {
    auto inWord = [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-';
    };
    for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) {
        const size_t end = at + word.size();
        if ((at == 0 || !inWord(text[at - 1])) && (end == text.size() || !inWord(text[end])))
            return true;
    }
    return false;
}

// The FFmpeg command for an option text, or "error: ..." for its refusal.
std::string Command(const std::string& options) {
    quenzo::EncodeJob job;
    quenzo::Plan plan;
    std::string error;
    if (!quenzo::ParseArguments(qv::SplitCommandLine(options), job, &error) ||
        !quenzo::Translate(job, {}, "ffmpeg", plan, &error))
        return "error: " + error;
    std::string line;
    for (const std::string& a : plan.ffmpeg)
        line += " " + a;
    return line;
}

} // namespace

TEST(QuenzoOptionTable, TheReadmeAndQuenzoOptionsShowTheTable) {
    std::vector<std::string> readme = ReadmeRows();
    ASSERT_GE(readme.size(), 2u) << "no table in README.md's section on codecs/quenzo";
    EXPECT_EQ(readme[0], "| MEncoder option | FFmpeg |");
    EXPECT_EQ(readme[1], "|---|---|");
    readme.erase(readme.begin(), readme.begin() + 2);
    const std::vector<std::string> table = TableRows();
    EXPECT_EQ(readme, table) << "README.md's quenzo table (-) differs from the option table (+):\n"
                             << Diff(readme, table);

    qvtest::ToolRun r =
        qvtest::RunTool({qvtest::ProgramDir() + "codecs/quenzo", "-quenzo-options"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.output, quenzo::OptionListing());
}

TEST(QuenzoOptionTable, EveryOptionIsDocumentedAndReadAsItsKindSays) {
    const std::vector<DocRow> rows = quenzo::OptionRows();
    auto documented = [&rows](const std::string& words) {
        for (const DocRow& row : rows)
            if (!row.note && Mentions(row.mencoder, words))
                return true;
        return false;
    };
    // A value of each kind that fits, and one that does not (none for the
    // kinds that take any text).
    struct Sample {
        std::vector<std::string> good;
        std::string bad;
    };
    auto samples = [](const Option& o) -> Sample {
        switch (o.arg) {
        case Arg::None: return {{}, ""};
        case Arg::Integer:
            return {{std::to_string(o.min), std::to_string(o.max)}, std::to_string(o.max + 1)};
        case Arg::Count: return {{"1"}, "0"};
        case Arg::Number: return {{"0.1"}, "x"};
        case Arg::Time: return {{"1:02:03.5"}, "1:2:3:4"};
        case Arg::SizeOrTime: return {{"100mb", "62:03"}, "x"};
        case Arg::FrameRate: return {{"30000/1001"}, "0"};
        case Arg::Text: return {{"x"}, ""};
        case Arg::FourCC: return {{"XVID"}, "XVI"};
        case Arg::Choice: return {o.choices, "bogus"};
        case Arg::SubOptions: return {{"a=1:b"}, ""};
        case Arg::FilterChain: return {{"scale=1:2,harddup"}, "a,,b"};
        }
        return {};
    };
    const std::vector<std::string> job = {"-ovc", "copy", "-nosound", "in.avi", "-o", "o.avi"};
    std::string error;
    auto parses = [&error](const std::vector<std::string>& args) {
        quenzo::EncodeJob parsed;
        return quenzo::ParseArguments(args, parsed, &error);
    };
    std::set<std::string> seen;
    for (const Option& o : quenzo::OptionTable()) {
        EXPECT_TRUE(!o.names.empty() || !o.rows.empty());
        for (const std::string& name : o.names) {
            EXPECT_TRUE(seen.insert(name).second) << name << " is in the table twice";
            EXPECT_EQ(quenzo::FindOption(name), &o) << name;
            EXPECT_TRUE(documented(name)) << name << " is in no row of -quenzo-options";
            for (const std::string& choice : o.choices)
                EXPECT_TRUE(documented(name + " " + choice)) << name << " " << choice;

            const Sample s = samples(o);
            std::vector<std::string> args = job;
            if (o.arg == Arg::None) {
                args.insert(args.begin(), name);
                EXPECT_TRUE(parses(args)) << name << ": " << error;
                continue;
            }
            for (const std::string& value : s.good) {
                args = job;
                args.insert(args.begin(), {name, value});
                EXPECT_TRUE(parses(args)) << name << " " << value << ": " << error;
            }
            if (o.arg != Arg::SubOptions) {
                args = job;
                args.insert(args.begin(), {name, s.bad});
                EXPECT_FALSE(parses(args)) << name << " " << s.bad;
            }
            args = job;
            args.push_back(name);
            EXPECT_FALSE(parses(args));
            EXPECT_EQ(error, "option " + name + " needs a value");
        }
    }
    EXPECT_FALSE(parses({"-vf-ad", "scale=1:2", "in.avi", "-o", "o.avi"}));
    EXPECT_EQ(error, "unknown option -vf-ad");

    for (const auto* filters : {&quenzo::VideoFilters(), &quenzo::AudioFilters()})
        for (const quenzo::FilterKind& kind : *filters)
            for (const std::string& name : kind.names) {
                bool named = false;
                for (const DocRow& row : kind.rows)
                    named = named || Mentions(row.mencoder, name);
                EXPECT_TRUE(named) << "filter " << name << " is in none of its rows";
            }
}

// A family's keys change the FFmpeg command (or are refused for their
// value) and are named in its rows; the keys accepted without effect change
// nothing.
TEST(QuenzoOptionTable, SubOptionKeysDoWhatTheTableSays) {
    const std::map<std::string, std::vector<std::string>> uses = {
        {"-x264encopts", {"-ovc x264 -nosound"}},
        {"-xvidencopts", {"-ovc xvid -nosound"}},
        {"-lavcopts", {"-ovc lavc -lavcopts vcodec=mpeg4 -oac lavc -lavcopts acodec=mp2"}},
        {"-lameopts", {"-ovc copy -oac mp3lame", "-ovc copy -oac mp3lame -lameopts cbr"}},
        {"-faacopts", {"-ovc copy -oac faac"}},
        {"-lavfopts", {"-ovc copy -nosound -of lavf"}},
        {"-mpegopts", {"-ovc copy -nosound -of mpeg"}},
    };
    for (const Option& family : quenzo::OptionTable()) {
        if (family.arg != Arg::SubOptions)
            continue;
        const std::string& option = family.names.at(0);
        auto use = uses.find(option);
        ASSERT_NE(use, uses.end()) << "no use of " << option << " to test its keys with";
        std::string text;
        for (const DocRow& row : quenzo::OptionRows())
            if (Mentions(row.mencoder, option))
                text += row.mencoder + " " + row.ffmpeg + "\n";

        auto changes = [&](const std::string& key) {
            for (const std::string& base : use->second) {
                const std::string without = Command(base + " in.avi -o o.mp4");
                EXPECT_EQ(without.find("error"), std::string::npos) << base << ": " << without;
                for (const char* value : {"", "=0", "=1", "=2", "=3"}) {
                    const std::string with =
                        Command(base + " " + option + " " + key + value + " in.avi -o o.mp4");
                    EXPECT_EQ(with.find("does not know"), std::string::npos) << with;
                    if (with != without)
                        return true;
                }
            }
            return false;
        };
        for (const std::string& key : family.keys) {
            EXPECT_TRUE(changes(key)) << option << " " << key << " changes nothing";
            EXPECT_TRUE(Mentions(text, key) ||
                        (key.rfind("no", 0) == 0 && Mentions(text, "(no)" + key.substr(2))))
                << option << " " << key << " is in none of its rows:\n"
                << text;
        }
        for (const std::string& key : family.noEffect)
            EXPECT_FALSE(changes(key)) << option << " " << key << " has an effect";
        EXPECT_NE(Command(use->second[0] + " " + option + " bogus in.avi -o o.mp4")
                      .find(option.substr(1) + " does not know the option bogus"),
                  std::string::npos)
            << option;
    }
}
