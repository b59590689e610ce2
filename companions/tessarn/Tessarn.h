#pragma once

#include "ProfileLayout.h"

extern "C" {
// Fills the table from the profile files "*.xml" of the folder, in file-name
// order: the count, then that many records. At most 128 records; files that
// cannot be read or are not valid profiles are skipped and logged. The third
// argument is accepted for compatibility and not used.
__attribute__((visibility("default"))) void LoadProfiles(char* folder, qv::ProfileTable* table,
                                                         const char* flag);
}
