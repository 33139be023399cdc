// The least a second can cost when it travels as LumClient's does: the first thread wakes at
// the start of each second (as the tick thread does) and hands one message down a chain of
// threads, each sleeping on its own queue (agent, clock source, mediator, GUI), and nobody does
// any work. Whatever the program draws or counts comes on top of this floor.
//
//     handoff_floor_bench [threads] [seconds]
//
// With seconds > 0 it measures itself over that window and prints its CPU share and wake-ups;
// with seconds 0 it runs until killed, so lumclient_bench.py measures it beside LumClient and
// xclock in the same window.
#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

struct Queue {
    std::mutex mutex;
    std::condition_variable ready;
    int pending = 0;

    void Post() {
        {
            std::lock_guard lock(mutex);
            ++pending;
        }
        ready.notify_one();
    }
    void Take() {
        std::unique_lock lock(mutex);
        ready.wait(lock, [this] { return pending > 0; });
        --pending;
    }
};

double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

long Switches() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_nvcsw;
}

}  // namespace

int main(int argc, char** argv) {
    const int threads = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const int seconds = argc > 2 ? std::max(0, std::atoi(argv[2])) : 30;

    std::vector<std::unique_ptr<Queue>> queues;
    for (int i = 0; i < threads; ++i)
        queues.push_back(std::make_unique<Queue>());
    for (int i = 1; i < threads; ++i) {
        std::thread([&queues, i, threads] {
            for (;;) {
                queues[i]->Take();
                if (i + 1 < threads)
                    queues[i + 1]->Post();
            }
        }).detach();
    }

    timespec next{};
    clock_gettime(CLOCK_REALTIME, &next);
    next.tv_nsec = 0;
    auto waitForSecond = [&next] {
        ++next.tv_sec;
        clock_nanosleep(CLOCK_REALTIME, TIMER_ABSTIME, &next, nullptr);
    };
    // The threads' start is not part of the floor.
    waitForSecond();
    const double cpu0 = CpuSeconds();
    const long switches0 = Switches();
    for (int s = 0; seconds == 0 || s < seconds; ++s) {
        waitForSecond();
        if (threads > 1)
            queues[1]->Post();
    }
    const double cpu = CpuSeconds() - cpu0;
    const long switches = Switches() - switches0;
    std::printf(
        "%d thread(s) handing one message a second down the chain, no work, over %d s: "
        "%.4f %% of one core, %.1f wake-ups/s, %.1f us a wake-up\n",
        threads, seconds, 100.0 * cpu / seconds, static_cast<double>(switches) / seconds,
        switches > 0 ? cpu * 1e6 / static_cast<double>(switches) : 0.0);
    std::fflush(stdout);
    // The chain's threads sleep for ever; ending the process ends them.
    std::_Exit(0);
}
