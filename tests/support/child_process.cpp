#include "tests/support/child_process.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <thread>

int InChild(const std::function<int()>& body, std::chrono::milliseconds bound) {
    std::fflush(nullptr);  // buffered output would otherwise be written by both processes
    const pid_t pid = ::fork();
    if (pid < 0)
        return -1;
    if (pid == 0)
        ::_exit(body());
    const auto deadline = std::chrono::steady_clock::now() + bound;
    int status = 0;
    pid_t done = 0;
    while ((done = ::waitpid(pid, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (done == 0) {
        std::fprintf(stderr, "child %d did not end within %lld ms; killed\n", static_cast<int>(pid),
                     static_cast<long long>(bound.count()));
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        return -1;
    }
    if (done != pid)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
