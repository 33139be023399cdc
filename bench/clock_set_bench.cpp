// Time from a synchronisation request to the time service's SetTime, on a private system bus with
// dbusmock's time service and polkit, against a loopback responder: the whole request (SNTP
// exchange, the change worked out, the bus call) and the part after the exchange. Prints them;
// asserts nothing. The bus fixture gives CAP_SYS_TIME up, so the machine's clock is never set.
#include <time.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/clock.h"
#include "tests/support/private_system_bus.h"
#include "tests/support/sntp_responder.h"
#include "timeservices/query_server.h"

namespace {

int64_t MonotonicNs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return int64_t{t.tv_sec} * 1'000'000'000 + t.tv_nsec;
}

double Percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    const size_t at = static_cast<size_t>(std::ceil(p * static_cast<double>(values.size()))) - 1;
    return values[std::min(at, values.size() - 1)];
}

// The system clock, noting when the query asks for the change, so the bus leg shows on its own.
class TimedClock final : public platform::Clock {
public:
    calendar::WallTime NowUtc() const override { return real.NowUtc(); }
    bool SetUtc(calendar::WallTime t) override { return real.SetUtc(t); }
    platform::ClockSetResult Shift(int64_t microseconds, platform::Prompt prompt) override {
        shiftAskedNs = MonotonicNs();
        return real.Shift(microseconds, prompt);
    }
    calendar::CivilTime ToLocal(int64_t s) const override { return real.ToLocal(s); }
    int64_t FromLocal(const calendar::CivilTime& local) const override { return real.FromLocal(local); }

    platform::SystemClock real;
    int64_t shiftAskedNs = 0;
};

}  // namespace

int main() {
    const int runs = std::getenv("TIKO3_BENCH_RUNS") ? std::atoi(std::getenv("TIKO3_BENCH_RUNS")) : 50;
    PrivateSystemBus bus;
    if (!bus.StartPolkit(true) || !bus.StartTimedated(false)) {
        std::fprintf(stderr, "clock_set_bench: %s\n", bus.Problem().c_str());
        return 1;
    }
    TimedClock clock;
    CSntpResponder server(clock.real, 2.5);
    if (!server.Start())
        return 1;

    std::vector<double> whole, afterAsk;
    for (int i = 0; i < runs; ++i) {
        CTiko_QueryServer query(
            clock, nullptr, {},
            ServerPair{{"127.0.0.1", server.Port()}, {"127.0.0.1", CSntpResponder::ClosedPort()}});
        TimeNotice notice;
        notice.bSetClock = true;
        const int64_t start = MonotonicNs();
        query.RunQuery(notice);
        const auto calls = bus.SetTimeCalls();
        if (query.Outcome() != QueryOutcome::Synchronised || calls.size() != static_cast<size_t>(i + 1)) {
            std::fprintf(stderr, "clock_set_bench: run %d did not reach SetTime: %s\n", i,
                         notice.strMessage.c_str());
            return 1;
        }
        whole.push_back((calls.back().arrivedNs - start) / 1e6);
        afterAsk.push_back((calls.back().arrivedNs - clock.shiftAskedNs) / 1e6);
    }
    std::printf("clock_set_bench: %d synchronisations on a private bus (dbusmock timedated + polkitd)\n",
                runs);
    std::printf("  request -> SetTime arrives:   median %.2f ms, p90 %.2f ms, max %.2f ms\n",
                Percentile(whole, 0.5), Percentile(whole, 0.9), Percentile(whole, 1.0));
    std::printf("  Shift asked -> SetTime arrives: median %.2f ms, p90 %.2f ms, max %.2f ms\n",
                Percentile(afterAsk, 0.5), Percentile(afterAsk, 0.9), Percentile(afterAsk, 1.0));
    return 0;
}
