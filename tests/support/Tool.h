#pragma once

// Runs one of the program's tools and collects what it prints.

#include "Paths.h"
#include "platform/ChildProcess.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qvtest {

struct ToolRun {
    int exitCode = -1;
    std::string output; // standard output and error, merged
};

inline ToolRun RunTool(const std::vector<std::string>& argv, const std::string& workDir = "") {
    ToolRun r;
    qv::ChildProcess child;
    qv::ChildProcess::Options o;
    o.pipeInput = false;
    o.workDir = workDir;
    std::string error;
    if (!child.Start(argv, o, &error)) {
        ADD_FAILURE() << error;
        return r;
    }
    char buffer[4096];
    long n;
    while ((n = child.Read(buffer, sizeof buffer)) > 0)
        r.output.append(buffer, static_cast<size_t>(n));
    r.exitCode = child.Wait();
    return r;
}

} // namespace qvtest
