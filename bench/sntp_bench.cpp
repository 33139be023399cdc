// Figures of one SNTP exchange against a loopback responder with a known offset, and of a whole
// `LumClient --compare` process. Prints them; asserts nothing.
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

// Runs LumClient --compare once; its wall time in ms, or a negative value when it failed.
double RunCompare(const std::string& program, const std::string& workdir, uint16_t port) {
    const std::string server = "127.0.0.1:" + std::to_string(port);
    std::vector<std::string> env = {"TIKO3_PRIMARY_SERVER=" + server, "TIKO3_SECONDARY_SERVER=" + server};
    for (char** e = environ; *e != nullptr; ++e) {
        if (std::string(*e).rfind("TIKO3_", 0) != 0)
            env.emplace_back(*e);
    }
    std::vector<char*> envp;
    for (auto& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string a0 = program, a1 = "--compare", a2 = "--workdir", a3 = workdir;
    char* argv[] = {a0.data(), a1.data(), a2.data(), a3.data(), nullptr};

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    const auto start = Steady::now();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, envp.data());
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
    std::vector<double> processMs;
    for (int i = 0; i < 50; ++i) {
        const double ms = RunCompare(TIKO3_LUMCLIENT_PATH, workdir.string(), responder.Port());
        if (ms < 0) {
            std::fprintf(stderr, "LumClient --compare run %d failed\n", i);
            return 1;
        }
        processMs.push_back(ms);
    }
    std::filesystem::remove_all(workdir);
    std::printf("LumClient --compare process (50 runs): median %.3f ms\n", Percentile(processMs, 0.5));
#else
    std::printf("LumClient --compare process: not measured (LumClient is not part of this build)\n");
#endif
    return 0;
}
