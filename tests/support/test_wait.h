#pragma once
// Helpers shared by the test binaries: waiting for a condition and listing the process's threads.

#include <dirent.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <thread>

// Polls cond until it holds or a generous bound passes (the machine may be loaded).
inline bool WaitUntil(const std::function<bool()>& cond,
                      std::chrono::milliseconds bound = std::chrono::seconds(10)) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    while (!cond()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// Names of the process's threads; runtime threads all begin with "T_" (sanitizers add their own).
inline std::multiset<std::string> ThreadNames() {
    std::multiset<std::string> names;
    DIR* dir = opendir("/proc/self/task");
    if (dir == nullptr)
        return names;
    while (dirent* entry = readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        std::ifstream comm(std::string("/proc/self/task/") + entry->d_name + "/comm");
        std::string name;
        std::getline(comm, name);
        names.insert(name);
    }
    closedir(dir);
    return names;
}
