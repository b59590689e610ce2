#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qv {

// Numbers in the texts the program, its tools and the libraries exchange
// (media properties, command lines, progress lines, settings) always use a
// point as the decimal mark, whatever the user's locale says. These read and
// write them without looking at the locale (std::from_chars/std::to_chars),
// so a German or French desktop reads "1.778" as 1.778, not 1.

// The number at the start of text, after blanks ("+" allowed): "29.970 fps"
// gives 29.97, "1.778" 1.778, "12" 12. Nothing when text starts with no
// number or one too large for a double. When rest is given it gets what
// follows the number.
std::optional<double> LeadingNumber(std::string_view text, std::string_view* rest = nullptr);

// LeadingNumber, or fallback when there is none (as atof gives 0).
double NumberOr(std::string_view text, double fallback = 0);

// The whole of text as a number ("+" allowed, no blanks); nothing when
// anything else is in it.
std::optional<double> WholeNumber(std::string_view text);

// v with exactly `decimals` digits after the point ("29.970", "-1.5").
std::string FixedText(double v, int decimals);

// v in the fewest digits that read back to the same value ("29.97", "25").
std::string ShortText(double v);

} // namespace qv
