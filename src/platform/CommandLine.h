#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qv {

// Splits a command line into arguments the way a Windows C runtime does, which
// is how the encoder and the player read their option strings: blanks and tabs
// outside double quotes separate arguments; a double quote toggles quoting;
// 2n backslashes before a quote give n backslashes and a toggling quote, 2n+1
// give n backslashes and a literal quote; other backslashes are literal.
std::vector<std::string> SplitCommandLine(std::string_view line);
// As above; *unmatchedQuote tells whether the line ends inside a quote.
std::vector<std::string> SplitCommandLine(std::string_view line, bool* unmatchedQuote);

// Encloses a path in double quotes so that SplitCommandLine gives it back
// byte for byte. A path that begins with "-" gets "./" in front so that a
// tool cannot mistake it for an option.
std::string QuotePath(std::string_view path);

} // namespace qv
