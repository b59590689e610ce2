#include "TextEncoding.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <iconv.h>

namespace qv {

std::string ToUtf8(std::string_view text, const char* fromEncoding) {
    iconv_t cd = ::iconv_open("UTF-8", fromEncoding);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::string(text);
    std::string out;
    out.resize(text.size() * 2 + 16);
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    size_t done = 0;
    while (inLeft > 0) {
        char* outPtr = out.data() + done;
        size_t outLeft = out.size() - done;
        size_t r = ::iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        done = static_cast<size_t>(outPtr - out.data());
        if (r != static_cast<size_t>(-1))
            break;
        if (errno == E2BIG) {
            out.resize(out.size() * 2);
        } else {
            // An invalid or incomplete sequence: skip one byte and go on.
            ++in;
            --inLeft;
        }
    }
    ::iconv_close(cd);
    out.resize(done);
    return out;
}

std::string XmlToUtf8(std::string_view data) {
    if (data.size() >= 2 &&
        ((data[0] == '\xFF' && data[1] == '\xFE') || (data[0] == '\xFE' && data[1] == '\xFF')))
        return std::string(data);
    if (data.substr(0, 5) != "<?xml")
        return std::string(data);
    size_t end = data.find("?>");
    std::string_view decl = data.substr(0, end);
    size_t at = decl.find("encoding");
    if (at == std::string_view::npos)
        return std::string(data);
    size_t q = decl.find_first_of("\"'", at);
    if (q == std::string_view::npos)
        return std::string(data);
    size_t q2 = decl.find(decl[q], q + 1);
    if (q2 == std::string_view::npos)
        return std::string(data);
    std::string name(decl.substr(q + 1, q2 - q - 1));
    std::string lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lower == "utf-8" || lower == "utf8" || lower == "us-ascii" || lower == "ascii")
        return std::string(data);
    // Converted once here; the declaration then says UTF-8, so that the XML
    // parser does not convert the text a second time.
    return std::string(data.substr(0, q + 1)) + "UTF-8" + ToUtf8(data.substr(q2), name.c_str());
}

std::string Lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

} // namespace qv
