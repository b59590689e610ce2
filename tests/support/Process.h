#pragma once

#include <chrono>
#include <fstream>
#include <string>
#include <sys/types.h>
#include <thread>

namespace qvtest {

// Whether a process has ended (a zombie counts as ended), allowing a moment
// for a signal that was just sent to be delivered.
inline bool ProcessGone(pid_t pid) {
    for (int i = 0; i < 200; ++i) {
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string line;
        if (!std::getline(stat, line))
            return true;
        size_t close = line.rfind(')');
        if (close != std::string::npos && line.size() > close + 2 && line[close + 2] == 'Z')
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

} // namespace qvtest
