#pragma once

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <string>

namespace qvtest {

// The program folder of the build: the companions and data files lie there.
inline std::string ProgramDir() {
    return std::string(QV_PROGRAM_DIR) + "/";
}

// Loads a companion library from the program folder as a foreign program
// would, and finds its C symbols.
class Library {
public:
    explicit Library(const std::string& name) {
        handle_ = ::dlopen((ProgramDir() + name).c_str(), RTLD_NOW | RTLD_LOCAL);
        EXPECT_NE(handle_, nullptr) << ::dlerror();
    }
    template <typename F> F Symbol(const char* name) const {
        void* p = handle_ ? ::dlsym(handle_, name) : nullptr;
        EXPECT_NE(p, nullptr) << name;
        return reinterpret_cast<F>(p);
    }

private:
    void* handle_ = nullptr; // kept loaded: the libraries stay for the process
};

} // namespace qvtest
