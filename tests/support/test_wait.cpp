#include "tests/support/test_wait.h"

#include <dirent.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

bool WaitUntil(const std::function<bool()>& cond, std::chrono::milliseconds bound) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    while (!cond()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

std::multiset<std::string> ThreadNames() {
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

void ReportHang(const std::source_location& where, std::chrono::milliseconds bound) {
    std::fprintf(stderr, "%s:%u: did not return within %lld ms\n", where.file_name(),
                 static_cast<unsigned>(where.line()), static_cast<long long>(bound.count()));
    std::fflush(stderr);
    std::abort();
}
