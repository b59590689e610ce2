#pragma once

#include <string>
#include <string_view>

namespace qv {

// Converts text from the named encoding to UTF-8 (iconv names: "GBK",
// "UTF-16LE", "ISO-8859-1" ...). Bytes that do not convert are dropped.
// Returns the text unchanged when the encoding is unknown.
std::string ToUtf8(std::string_view text, const char* fromEncoding);

// The text of an XML file in UTF-8: a document whose declaration names an
// encoding other than UTF-8 (GBK files from Windows, for one) is converted;
// UTF-16 with a byte-order mark is left to the XML parser, which reads it.
std::string XmlToUtf8(std::string_view data);

// The text with its ASCII letters in lower case (names, keys, extensions;
// other bytes are left alone, so UTF-8 stays intact).
std::string Lower(std::string text);

} // namespace qv
