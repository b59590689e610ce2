#pragma once

#include "ProfileLayout.h"

#include <string>
#include <string_view>
#include <vector>

namespace qv {

// Reads one profile file into a record (zeroed first). Returns false and
// says why when the file is not a valid profile; warnings name the texts that
// were cut to fit their fields.
bool ParseProfileFile(std::string_view data, ProfileRecord& out, std::string* error,
                      std::vector<std::string>* warnings);

} // namespace qv
