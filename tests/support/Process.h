#pragma once

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

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

// The processes whose parent is pid, read from /proc.
inline std::vector<pid_t> ChildrenOf(pid_t pid) {
    std::vector<pid_t> children;
    if (DIR* d = ::opendir("/proc")) {
        while (dirent* e = ::readdir(d)) {
            if (e->d_name[0] < '0' || e->d_name[0] > '9')
                continue;
            std::ifstream stat(std::string("/proc/") + e->d_name + "/stat");
            std::string line;
            if (!std::getline(stat, line))
                continue;
            size_t close = line.rfind(')');
            if (close == std::string::npos)
                continue;
            int ppid = 0;
            char state = 0;
            if (std::sscanf(line.c_str() + close + 1, " %c %d", &state, &ppid) == 2 && ppid == pid)
                children.push_back(static_cast<pid_t>(std::atoi(e->d_name)));
        }
        ::closedir(d);
    }
    return children;
}

// Waits (a bounded while) for pid to have a child and returns it, or -1.
inline pid_t WaitForChild(pid_t pid) {
    for (int i = 0; i < 1000; ++i) {
        std::vector<pid_t> children = ChildrenOf(pid);
        if (!children.empty())
            return children.front();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return -1;
}

} // namespace qvtest
