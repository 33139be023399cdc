// Figures of one SNTP exchange against a loopback responder with a known offset, and of a whole
// `LumClient --compare` process beside `rdate -p -n` asking the same responder, in turns.
// Prints them; asserts nothing.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "sntp/sntp_client.h"
#include "tests/support/sntp_responder.h"

extern char** environ;

namespace {

using Steady = std::chrono::steady_clock;

double Percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    const size_t at = static_cast<size_t>(std::ceil(p * static_cast<double>(values.size()))) - 1;
    return values[std::min(at, values.size() - 1)];
}

double Milliseconds(Steady::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// Runs a program once with the environment given first (the process's TIKO3_* left out); its
// wall time in ms, or a negative value when it could not start or failed.
double RunOnce(std::vector<std::string> args, std::vector<std::string> env) {
    for (char** e = environ; *e != nullptr; ++e) {
        if (std::string(*e).rfind("TIKO3_", 0) != 0)
            env.emplace_back(*e);
    }
    std::vector<char*> envp;
    for (auto& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    const auto start = Steady::now();
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    const double ms = Milliseconds(Steady::now() - start);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? ms : -1;
}

}  // namespace

int main() {
    constexpr double kKnownOffset = 0.75;
    platform::SystemClock clock;
    CSntpResponder responder(clock, kKnownOffset);
    if (!responder.Start()) {
        std::perror("responder");
        return 1;
    }

    std::vector<double> exchangeMs;
    std::vector<double> errorUs;
    for (int i = 0; i < 200; ++i) {
        CSNTPClient client(clock);
        NtpReply reply;
        const auto start = Steady::now();
        const bool ok = client.RequestTime("127.0.0.1", reply, responder.Port());
        const auto took = Steady::now() - start;
        if (!ok) {
            std::fprintf(stderr, "exchange %d failed: %s\n", i, SntpFailureText(client.LastFailure()));
            return 1;
        }
        exchangeMs.push_back(Milliseconds(took));
        errorUs.push_back(std::fabs(reply.offset - kKnownOffset) * 1e6);
    }
    std::printf("sntp exchange (loopback, 200 runs): median %.3f ms, p90 %.3f ms\n",
                Percentile(exchangeMs, 0.5), Percentile(exchangeMs, 0.9));
    std::printf("offset error vs known %.3f s: median |error| %.3f us, max |error| %.3f us\n", kKnownOffset,
                Percentile(errorUs, 0.5), *std::max_element(errorUs.begin(), errorUs.end()));

#ifdef TIKO3_LUMCLIENT_PATH
    const std::filesystem::path workdir = std::filesystem::temp_directory_path() / "tiko3-sntp-bench";
    std::filesystem::create_directories(workdir);
    const std::string server = "127.0.0.1:" + std::to_string(responder.Port());
    const std::vector<std::string> compare = {TIKO3_LUMCLIENT_PATH, "--compare", "--workdir",
                                              workdir.string()};
    const std::vector<std::string> compareEnv = {"TIKO3_PRIMARY_SERVER=" + server,
                                                 "TIKO3_SECONDARY_SERVER=" + server};
    const std::vector<std::string> rdate = {"rdate",    "-p", "-n", "-o", std::to_string(responder.Port()),
                                            "127.0.0.1"};
    const bool withRdate = RunOnce(rdate, {}) >= 0;
    std::vector<double> processMs;
    std::vector<double> rdateMs;
    // In turns, so a change in the machine's load falls on both alike.
    for (int i = 0; i < 50; ++i) {
        const double ms = RunOnce(compare, compareEnv);
        if (ms < 0) {
            std::fprintf(stderr, "LumClient --compare run %d failed\n", i);
            return 1;
        }
        processMs.push_back(ms);
        if (withRdate)
            rdateMs.push_back(RunOnce(rdate, {}));
    }
    std::filesystem::remove_all(workdir);
    const double lumclient = Percentile(processMs, 0.5);
    std::printf("LumClient --compare process (50 runs): median %.3f ms\n", lumclient);
    if (withRdate) {
        const double other = Percentile(rdateMs, 0.5);
        std::printf(
            "rdate -p -n, same responder (50 runs, in turns): median %.3f ms; LumClient / rdate %.2f "
            "(goal: at most 2)\n",
            other, lumclient / other);
    } else {
        std::printf("rdate -p -n: not measured (rdate is not installed; scripts/deps.sh installs it)\n");
    }
#else
    std::printf("LumClient --compare process: not measured (LumClient is not part of this build)\n");
#endif
    return 0;
}
