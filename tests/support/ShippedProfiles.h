#pragma once

// The profiles of the program folder, read by its profile library.

#include "Paths.h"
#include "ProfileLayout.h"

#include <dlfcn.h>
#include <memory>
#include <string>

namespace qvtest {

inline std::unique_ptr<qv::ProfileTable> ShippedProfiles() {
    auto table = std::make_unique<qv::ProfileTable>();
    void* lib = ::dlopen((ProgramDir() + "libTessarn.so").c_str(), RTLD_NOW);
    auto load = reinterpret_cast<void (*)(char*, qv::ProfileTable*, const char*)>(
        lib ? ::dlsym(lib, "LoadProfiles") : nullptr);
    table->count = 0;
    if (load) {
        std::string folder = ProgramDir() + "Profiles/";
        load(folder.data(), table.get(), "1");
    }
    return table;
}

inline const qv::ProfileRecord* FindProfile(const qv::ProfileTable& table,
                                            const std::string& name) {
    for (int i = 0; i < table.count; ++i)
        if (qv::FieldText(table.records[i].name) == name)
            return &table.records[i];
    return nullptr;
}

} // namespace qvtest
