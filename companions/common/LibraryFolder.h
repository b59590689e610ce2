#pragma once

#include <string>

namespace qv {

// The folder of the shared library (or program) that holds this function,
// ending with "/". The companion libraries live in the program folder, so
// this is where they find the program's files.
std::string LibraryFolder();

} // namespace qv
