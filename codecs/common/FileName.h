#pragma once

#include "TextEncoding.h"

#include <string>

namespace codecs {

using qv::Lower;

// The extension of a file name, lower-cased, without its "."; "" for none
// (a "." in a folder name is not one). A file being written, "NAME.partial",
// has the extension of NAME.
inline std::string Extension(std::string path) {
    static const std::string partial = ".partial";
    if (path.size() > partial.size() && Lower(path.substr(path.size() - partial.size())) == partial)
        path.resize(path.size() - partial.size());
    size_t slash = path.rfind('/');
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return "";
    return Lower(path.substr(dot + 1));
}

} // namespace codecs
