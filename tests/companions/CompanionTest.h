#pragma once

#include "support/Paths.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <string>

namespace qvtest {

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
