#include "Number.h"

#include <charconv>

namespace qv {

namespace {

std::string_view SkipBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\r' ||
                             text.front() == '\n'))
        text.remove_prefix(1);
    return text;
}

} // namespace

std::optional<double> LeadingNumber(std::string_view text, std::string_view* rest) {
    text = SkipBlanks(text);
    // from_chars takes a minus sign but no plus sign.
    if (text.size() > 1 && text.front() == '+' && text[1] != '-')
        text.remove_prefix(1);
    double v = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (error != std::errc()) // none, or one past what a double holds
        return std::nullopt;
    if (rest)
        *rest = text.substr(static_cast<size_t>(end - text.data()));
    return v;
}

double NumberOr(std::string_view text, double fallback) {
    return LeadingNumber(text).value_or(fallback);
}

std::optional<double> WholeNumber(std::string_view text) {
    if (text.empty() || SkipBlanks(text).size() != text.size())
        return std::nullopt;
    std::string_view rest;
    const std::optional<double> v = LeadingNumber(text, &rest);
    return v && rest.empty() ? v : std::nullopt;
}

std::string FixedText(double v, int decimals) {
    char text[400];
    const auto [end, error] =
        std::to_chars(text, text + sizeof text, v, std::chars_format::fixed, decimals);
    return error == std::errc() ? std::string(text, end) : std::string("0");
}

std::string ShortText(double v) {
    char text[64];
    const auto [end, error] = std::to_chars(text, text + sizeof text, v);
    return error == std::errc() ? std::string(text, end) : std::string("0");
}

} // namespace qv
