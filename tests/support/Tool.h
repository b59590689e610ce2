#pragma once

// Runs one of the program's tools and collects what it prints.

#include "Paths.h"
#include "platform/ToolRun.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace qvtest {

struct ToolRun {
    int exitCode = -1;
    std::string output; // standard output and error, merged
};

inline ToolRun RunTool(const std::vector<std::string>& argv, const std::string& workDir = "") {
    ToolRun r;
    qv::ToolRun run;
    run.argv = argv;
    run.process.workDir = workDir;
    run.output = [&r](std::string_view chunk) {
        r.output.append(chunk);
        return true;
    };
    const qv::ToolResult result = qv::RunTool(run);
    if (result.end == qv::ToolEnd::StartFailed)
        ADD_FAILURE() << result.error;
    else
        r.exitCode = result.exitCode;
    return r;
}

} // namespace qvtest
