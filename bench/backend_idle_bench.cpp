// What the back end costs while nothing happens: the facade with its four managers on the real
// clock, alarms on with 300 schedule items, automatic synchronisation and automatic transmission
// on (their periods far away), sound counted rather than played. Over one window it prints
//   the CPU share of the process (utime + stime over wall time), as a percentage of one core;
//   thread wake-ups per second: voluntary context switches of every thread of the process;
//   the lag of each clock tick (signal 46) behind the start of its second: median and maximum.
// Usage: backend_idle_bench [window-seconds (60)]   (or TIKO3_BENCH_SECONDS)
#include <dirent.h>
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "backend_support.h"
#include "platform/clock.h"
#include "platform/sound_player.h"
#include "runtime/mediator.h"
#include "timeservices/facade.h"
#include "timeservices/query_server.h"
#include "treestore/conf_schema.h"
#include "treestore/schedule_schema.h"

namespace {

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Voluntary context switches and run time of each live thread of the process, by thread id.
struct ThreadSwitches {
    std::string name;
    long long count = 0;
    long long runNs = 0;  // on the CPU, from schedstat
};

std::map<std::string, ThreadSwitches> VoluntarySwitches() {
    std::map<std::string, ThreadSwitches> out;
    DIR* dir = opendir("/proc/self/task");
    if (dir == nullptr)
        return out;
    while (dirent* entry = readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        const std::string base = std::string("/proc/self/task/") + entry->d_name;
        ThreadSwitches t;
        std::ifstream comm(base + "/comm");
        std::getline(comm, t.name);
        std::ifstream status(base + "/status");
        for (std::string line; std::getline(status, line);) {
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0)
                t.count = std::atoll(line.c_str() + 24);
        }
        std::ifstream schedstat(base + "/schedstat");
        schedstat >> t.runNs;
        out[entry->d_name] = t;
    }
    closedir(dir);
    return out;
}

// Silent: the tick and the chime are counted, not heard.
class CountingPlayer final : public platform::ISoundPlayer {
public:
    bool PlayWav(const std::string&) override {
        plays.fetch_add(1);
        return true;
    }
    bool Beep(int, int) override { return true; }
    std::atomic<int> plays{0};
};

}  // namespace

int main(int argc, char** argv) {
    int window = 60;
    if (const char* env = std::getenv("TIKO3_BENCH_SECONDS"))
        window = std::atoi(env);
    if (argc > 1)
        window = std::atoi(argv[1]);
    window = std::max(window, 2);

    auto conf = CTIKOConfList_Mgr().BuildDefaultTree();
    auto book = CTIKOScheduleList_Mgr().BuildDefaultTree();
    conf->SyncInfo()->bAutoSync = 1;  // every 60 minutes
    conf->Alarm()->bAlarm = 1;
    conf->Env()->bSound = 1;
    conf->Env()->bMainVisible = 1;
    conf->Comm()->bAutoMode = 1;  // every 10 minutes, to no port
    platform::SystemClock clock;
    // 300 items, one or more due every minute.
    AddMinuteAlarms(*book, clock.NowUtc().seconds);

    CountingPlayer sound;
    CTiko_Services services = RestingServices(clock, sound, *conf, *book);

    double cpuPercent = 0;
    double wakeups = 0;
    struct ThreadFigures {
        std::string name;
        double wakeups = 0;  // per second
        double cpuUs = 0;    // microseconds on the CPU per second
    };
    std::vector<ThreadFigures> perThread;
    std::vector<double> lags;
    {
        CTiko_Facade facade(services);
        TickLag lag(clock);
        CLumAOSM_Mediator::Process()->Subscribe(&lag, AO_CLOCK_TICK_SIG);
        facade.Launch();
        // Start-up (the first telegram, the first checks) is not rest.
        std::this_thread::sleep_for(std::chrono::seconds(2));
        lag.Record(true);
        const auto before = VoluntarySwitches();
        const double cpuBefore = CpuSeconds();
        const auto wallBefore = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(window));
        const double cpu = CpuSeconds() - cpuBefore;
        const double wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count();
        const auto after = VoluntarySwitches();
        lag.Record(false);
        cpuPercent = 100.0 * cpu / wall;
        long long total = 0;
        for (const auto& [tid, t] : after) {
            const auto it = before.find(tid);
            const long long d = t.count - (it != before.end() ? it->second.count : 0);
            const long long ns = t.runNs - (it != before.end() ? it->second.runNs : 0);
            total += d;
            perThread.push_back({t.name, d / wall, ns / 1e3 / wall});
        }
        wakeups = total / wall;
        lags = lag.Lags();
        facade.Stop();
        facade.WaitUntilStopped();
        CLumAOSM_Mediator::Process()->UnsubscribeAll(&lag);
    }

    std::printf(
        "back end at rest over %d s (facade + 4 managers, alarms on with 300 items, both automatic modes "
        "on)\n",
        window);
    std::printf("  CPU share:                  %.3f %% of one core\n", cpuPercent);
    std::printf("  thread wake-ups:            %.1f per second\n", wakeups);
    for (const ThreadFigures& t : perThread)
        std::printf("    %-16s %7.2f /s  %8.1f us of CPU per s  %7.1f us per wake-up\n", t.name.c_str(),
                    t.wakeups, t.cpuUs, t.wakeups > 0 ? t.cpuUs / t.wakeups : 0.0);
    if (lags.empty()) {
        std::printf("  signal 46 lag behind its second: no samples\n");
    } else {
        std::sort(lags.begin(), lags.end());
        std::printf("  signal 46 lag behind its second: median %.2f ms, maximum %.2f ms (%zu ticks)\n",
                    lags[lags.size() / 2], lags.back(), lags.size());
    }
    std::printf("  sounds asked for: %d\n", sound.plays.load());
    return 0;
}
