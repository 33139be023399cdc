// Figures of the running back end: the facade with its four managers on the real clock, alarms
// and the automatic modes on, the serial line on a pseudo-terminal.
//   CPU of the whole process over the first part of the run, as a percentage of one core;
//   lag of each clock-tick publication behind the start of its second (median, maximum);
//   start of each automatic telegram relative to the compensation point (median, max deviation).
// Usage: managers_bench [cpu-seconds (30)] [tick-seconds (60)] [telegrams (20)]
#include <poll.h>
#include <pty.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "backend_support.h"
#include "platform/clock.h"
#include "runtime/mediator.h"
#include "tests/support/fake_sound_player.h"
#include "timeservices/facade.h"
#include "timeservices/query_server.h"
#include "treestore/conf_schema.h"
#include "treestore/schedule_schema.h"

namespace {

constexpr int kCompensationMs = 500;
constexpr int kTelegramPeriodSeconds = 2;
constexpr size_t kTelegramBytes = 20;  // each telegram goes out twice

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double MillisIntoSecond(const calendar::WallTime& t) {
    return t.nanoseconds / 1e6;
}

void PrintSpread(const char* what, std::vector<double> values, double reference) {
    if (values.empty()) {
        std::printf("%s: no samples\n", what);
        return;
    }
    std::vector<double> deviations;
    for (double v : values)
        deviations.push_back(v - reference);
    std::sort(deviations.begin(), deviations.end());
    double worst = 0;
    for (double d : deviations)
        worst = std::max(worst, d < 0 ? -d : d);
    std::printf("%s: %zu samples, median %+.2f ms, max |deviation| %.2f ms\n", what, deviations.size(),
                deviations[deviations.size() / 2], worst);
}

}  // namespace

int main(int argc, char** argv) {
    const int cpuSeconds = argc > 1 ? std::atoi(argv[1]) : 30;
    const int tickSeconds = argc > 2 ? std::atoi(argv[2]) : 60;
    const size_t telegrams = argc > 3 ? static_cast<size_t>(std::atoi(argv[3])) : 20;

    int master = -1;
    int slave = -1;
    char name[128];
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        std::perror("openpty");
        return 1;
    }
    setenv("TIKO3_COM1", name, 1);

    auto conf = CTIKOConfList_Mgr().BuildDefaultTree();
    auto book = CTIKOScheduleList_Mgr().BuildDefaultTree();
    conf->SyncInfo()->bAutoSync = 1;
    conf->Alarm()->bAlarm = 1;
    conf->Env()->bSound = 1;
    Class_TIKOCONF_COMM& comm = *conf->Comm();
    comm.bCom1 = 1;
    comm.bAutoMode = 1;
    comm.nInterval = kTelegramPeriodSeconds;
    comm.nIntervalUnit = 0;
    comm.nCompensationMs = kCompensationMs;
    platform::SystemClock clock;
    // A book of a few hundred items, one due every minute or so.
    AddMinuteAlarms(*book, clock.NowUtc().seconds);

    platform::FakeSoundPlayer sound;  // the ticks and chimes are counted, not heard
    CTiko_Services services = RestingServices(clock, sound, *conf, *book);

    std::vector<double> telegramStarts;  // reader thread until joined
    std::atomic<size_t> telegramCount{0};
    std::atomic<bool> stopReading{false};
    std::thread reader([&] {
        size_t received = 0;
        while (!stopReading.load()) {
            pollfd p{master, POLLIN, 0};
            if (poll(&p, 1, 100) <= 0)
                continue;
            const calendar::WallTime arrived = clock.NowUtc();
            unsigned char buffer[256];
            const ssize_t n = read(master, buffer, sizeof buffer);
            if (n <= 0)
                continue;
            if (received % kTelegramBytes == 0) {
                telegramStarts.push_back(MillisIntoSecond(arrived));
                telegramCount.fetch_add(1);
            }
            received += static_cast<size_t>(n);
        }
    });

    const auto start = std::chrono::steady_clock::now();
    double cpuUsed = 0;
    {
        CTiko_Facade facade(services);
        TickLag lag(clock, true);
        CLumAOSM_Mediator::Process()->Subscribe(&lag, AO_CLOCK_TICK_SIG);
        const double cpuBefore = CpuSeconds();
        facade.Launch();
        std::this_thread::sleep_for(std::chrono::seconds(cpuSeconds));
        cpuUsed = CpuSeconds() - cpuBefore;
        const auto until = start + std::chrono::seconds(std::max(tickSeconds, cpuSeconds));
        const auto telegramBound =
            start + std::chrono::seconds(static_cast<int>(telegrams) * (kTelegramPeriodSeconds + 1) + 5);
        while (std::chrono::steady_clock::now() < until ||
               (telegramCount.load() < telegrams && std::chrono::steady_clock::now() < telegramBound))
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        lag.Record(false);
        facade.Stop();
        facade.WaitUntilStopped();
        CLumAOSM_Mediator::Process()->UnsubscribeAll(&lag);
        std::vector<double> lags = lag.Lags();
        // The first tick comes whenever the manager happens to start, not at a new second.
        if (!lags.empty())
            lags.erase(lags.begin());
        std::printf("back end CPU over %d s: %.2f %% of one core\n", cpuSeconds,
                    100.0 * cpuUsed / cpuSeconds);
        PrintSpread("clock tick lag behind its second", lags, 0.0);
    }
    stopReading = true;
    reader.join();
    if (telegramStarts.size() > telegrams)
        telegramStarts.resize(telegrams);
    PrintSpread("automatic telegram start vs compensation point", telegramStarts, kCompensationMs);
    std::printf("sounds played (fake player): %zu\n", sound.Calls().size());
    close(slave);
    close(master);
    unsetenv("TIKO3_COM1");
    return 0;
}
