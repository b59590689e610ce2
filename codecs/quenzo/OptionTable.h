#pragma once

// The one table of the options quenzo accepts: how each is typed, what its
// value is, where it lands in the job and how it is documented. Parsing the
// command line, `quenzo -quenzo-options` and the README's table all come
// from it.

#include "Options.h"

#include <optional>
#include <string>
#include <vector>

namespace quenzo {

// One line of `quenzo -quenzo-options` and one row of the README's table.
struct DocRow {
    std::string mencoder; // the option as typed, or what a note is about
    std::string ffmpeg;   // what FFmpeg is given for it
    bool note = false;    // about a case, not something typed (plain text in the README)
};

// What an option's value is: it decides how the value is read and what a
// wrong one is told.
enum class Arg {
    None,        // a flag without a value
    Integer,     // a whole number from min to max
    Count,       // a whole number above 0
    Number,      // any number
    Time,        // 01:02:03.5, 62:03 or 3723.5
    SizeOrTime,  // a time, or a size such as 100mb, 700kb or 1024b
    FrameRate,   // 25, 29.97 or 30000/1001
    Text,        // any text but the empty one
    FourCC,      // four characters
    Choice,      // one of the option's choices
    SubOptions,  // key=value:key:..., merged over repeats
    FilterChain, // name=a:b,name,...
};

// A value read as its kind says.
struct ArgValue {
    std::string text;               // as given
    long number = 0;                // Integer, Count
    std::optional<double> seconds;  // Time, SizeOrTime given as a time
    std::optional<long long> bytes; // SizeOrTime given as a size
    std::vector<Filter> filters;    // FilterChain
};

struct Option {
    std::vector<std::string> names; // as typed; none for a row about the other arguments
    Arg arg = Arg::None;
    long min = 0, max = 0;            // Integer: the range
    std::string needs;                // Text: what an empty value lacks ("a file name")
    std::vector<std::string> choices; // Choice: the values known
    // SubOptions: the keys the translation acts on, and those it accepts
    // without effect; any other key is refused when the family is used.
    std::vector<std::string> keys, noEffect;
    // Puts a read value into the job; name is the one typed. Null when the
    // option is accepted and changes nothing.
    void (*store)(EncodeJob& job, const std::string& name, const ArgValue& value) = nullptr;
    // The option's documentation; empty when another option's row names it.
    std::vector<DocRow> rows;

    bool Knows(const std::string& key) const;
};

// Every option, in the order of the documentation.
const std::vector<Option>& OptionTable();

// The option typed as name; nullptr when there is none.
const Option* FindOption(const std::string& name);

// The documentation rows of all options, in order.
std::vector<DocRow> OptionRows();

// What `quenzo -quenzo-options` prints: each row as "%-45s %s\n".
std::string OptionListing();

} // namespace quenzo
