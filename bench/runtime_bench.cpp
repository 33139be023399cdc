// Message-passing figures of the active-object runtime, side by side with Qt's queued signals:
//   latency from Publish to the state handler of one subscribed active object (median, p99),
//   throughput of a stream of publications to four subscribers,
//   CPU used by an idle runtime whose four active objects re-arm a 100 ms and a 500 ms timer.
// Usage: runtime_bench [idle-seconds (default 10)]
#include <QCoreApplication>
#include <QObject>
#include <QString>
#include <QThread>

#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>

#include "runtime/active_object.h"
#include "runtime/config.h"
#include "runtime/mediator.h"
#include "runtime/timer.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int32_t kBenchSig = AO_USER_SIG + 60;
constexpr int kLatencyRounds = 5000;
constexpr int kStreamLength = 100000;

int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
}

struct Percentiles {
    double median_us;
    double p99_us;
};

Percentiles Summarise(std::vector<int64_t> ns) {
    std::sort(ns.begin(), ns.end());
    return {ns[ns.size() / 2] / 1000.0, ns[ns.size() * 99 / 100] / 1000.0};
}

struct Runtime : CLumAOSM_Config {
    int CreateManagers() override { return 0; }
    int DestroyManagers() override { return 0; }
};

// Subscribes to the bench signal; records latency or counts deliveries.
class Sink : public CLumAOSM_ActiveObject {
public:
    explicit Sink(CLumAOSM_Mediator* mediator) : CLumAOSM_ActiveObject(mediator) { SetName("BenchSink"); }
    ~Sink() override {
        if (IsRunning()) {
            Stop();
            WaitUntilStopped();
        }
    }
    CLumAOSM_Message Initial(CLumAOSM_Message&) override {
        Mediator()->Subscribe(this, kBenchSig);
        InitialTransition(this, &Sink::Listening);
        return Handled();
    }
    CLumAOSM_Message Listening(CLumAOSM_Message& message) {
        if (message.GetSignal() == AO_ENTRY_SIG) {
            ready.store(true);
            ready.notify_all();
            return Handled();
        }
        if (message.GetSignal() != kBenchSig)
            return DefaultHandler(message);
        int64_t sent = 0;
        if (message.GetParamValue(0, &sent) && sent != 0)
            lastLatency.store(NowNs() - sent);
        received.fetch_add(1);
        received.notify_all();
        return Handled();
    }

    std::atomic<bool> ready{false};
    std::atomic<int64_t> lastLatency{0};
    std::atomic<int> received{0};
};

void WaitReady(Sink& sink) {
    // Its Initial has queued the subscription by then, ahead of every later publication.
    sink.ready.wait(false);
}

// Through the mediator (two hops), or posted straight to the object's queue (one hop).
Percentiles RuntimeLatency(CLumAOSM_Mediator& mediator, bool direct) {
    Sink sink(&mediator);
    sink.Start(nullptr);
    WaitReady(sink);
    std::vector<int64_t> samples;
    samples.reserve(kLatencyRounds);
    for (int i = 0; i < kLatencyRounds; ++i) {
        const int before = sink.received.load();
        CLumAOSM_Message message(kBenchSig);
        message.SetParamValue(0, NowNs());
        if (direct)
            sink.Post(message);
        else
            mediator.Publish(message);
        sink.received.wait(before);
        samples.push_back(sink.lastLatency.load());
    }
    sink.Stop();
    sink.WaitUntilStopped();
    return Summarise(samples);
}

double RuntimeThroughput(CLumAOSM_Mediator& mediator) {
    std::vector<std::unique_ptr<Sink>> sinks;
    for (int i = 0; i < 4; ++i) {
        sinks.push_back(std::make_unique<Sink>(&mediator));
        sinks.back()->Start(nullptr);
        WaitReady(*sinks.back());
    }
    // What waits in the mediator can all land in one subscriber's queue.
    auto backlog = [&] {
        int32_t most = 0;
        for (auto& sink : sinks)
            most = std::max(most, sink->Count());
        return mediator.Count() + most;
    };
    const auto start = Clock::now();
    CLumAOSM_Message message(kBenchSig);
    message.SetParamValue(0, int64_t{0});
    for (int i = 0; i < kStreamLength; ++i) {
        // Queues hold 1001 entries: keep below that rather than lose publications.
        while (backlog() > 900)
            std::this_thread::yield();
        mediator.Publish(message);
    }
    const auto deadline = Clock::now() + std::chrono::seconds(60);
    for (auto& sink : sinks)
        while (sink->received.load() < kStreamLength && Clock::now() < deadline)
            std::this_thread::yield();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    int lost = 0;
    for (auto& sink : sinks)
        lost += kStreamLength - sink->received.load();
    if (lost != 0)
        std::printf("runtime stream: %d deliveries lost to full queues\n", lost);
    for (auto& sink : sinks)
        sink->Stop();
    for (auto& sink : sinks)
        sink->WaitUntilStopped();
    return kStreamLength / seconds;
}

// Qt: a signal emitted on one QThread, received through a queued connection on another.
struct QtReceiver {
    QThread thread;
    QObject object;
    std::atomic<int> received{0};
    std::atomic<int64_t> lastLatency{0};

    QtReceiver() {
        object.moveToThread(&thread);
        thread.start();
    }
    ~QtReceiver() {
        thread.quit();
        thread.wait();
    }
    void Listen(QObject& emitter) {
        QObject::connect(
            &emitter, &QObject::objectNameChanged, &object,
            [this](const QString& name) {
                const int64_t sent = name.toLongLong();
                if (sent > 0)
                    lastLatency.store(NowNs() - sent);
                received.fetch_add(1);
                received.notify_all();
            },
            Qt::QueuedConnection);
    }
};

Percentiles QtLatency() {
    QObject emitter;
    QtReceiver receiver;
    receiver.Listen(emitter);
    std::vector<int64_t> samples;
    samples.reserve(kLatencyRounds);
    std::unique_ptr<QThread> sender(QThread::create([&] {
        for (int i = 0; i < kLatencyRounds; ++i) {
            const int before = receiver.received.load();
            emitter.setObjectName(QString::number(NowNs()));
            receiver.received.wait(before);
            samples.push_back(receiver.lastLatency.load());
        }
    }));
    sender->start();
    sender->wait();
    return Summarise(samples);
}

double QtThroughput() {
    QObject emitter;
    std::vector<std::unique_ptr<QtReceiver>> receivers;
    for (int i = 0; i < 4; ++i) {
        receivers.push_back(std::make_unique<QtReceiver>());
        receivers.back()->Listen(emitter);
    }
    double seconds = 0;
    std::unique_ptr<QThread> sender(QThread::create([&] {
        const auto start = Clock::now();
        // The name must change for the signal to be emitted; negative values carry no timestamp.
        for (int i = 1; i <= kStreamLength; ++i)
            emitter.setObjectName(QString::number(-i));
        for (auto& receiver : receivers)
            while (receiver->received.load() < kStreamLength)
                receiver->received.wait(receiver->received.load());
        seconds = std::chrono::duration<double>(Clock::now() - start).count();
    }));
    sender->start();
    sender->wait();
    return kStreamLength / seconds;
}

// Re-arms a 100 ms and a 500 ms one-shot timer at every time-out, as the managers do.
class Idler : public CLumAOSM_ActiveObject {
public:
    explicit Idler(CLumAOSM_Mediator* mediator) : CLumAOSM_ActiveObject(mediator) { SetName("BenchIdler"); }
    ~Idler() override {
        if (IsRunning()) {
            Stop();
            WaitUntilStopped();
        }
    }
    CLumAOSM_Message Initial(CLumAOSM_Message&) override {
        InitialTransition(this, &Idler::Ticking);
        return Handled();
    }
    CLumAOSM_Message Ticking(CLumAOSM_Message& message) {
        TimeoutInfo info;
        switch (message.GetSignal()) {
            case AO_ENTRY_SIG:
                fast_.StartTimer(this, 1, 100, 0, "fast");
                slow_.StartTimer(this, 2, 500, 0, "slow");
                return Handled();
            case AO_EXIT_SIG:
                fast_.StopTimer(this, 1, "fast");
                slow_.StopTimer(this, 2, "slow");
                return Handled();
            case AO_TIMEOUT_SIG:
                if (message.GetParamValue(0, &info)) {
                    if (info.eventId == 1)
                        fast_.StartTimer(this, 1, 100, 0, "fast");
                    else
                        slow_.StartTimer(this, 2, 500, 0, "slow");
                    timeouts.fetch_add(1);
                }
                return Handled();
            default:
                return DefaultHandler(message);
        }
    }
    std::atomic<int> timeouts{0};

private:
    CLumAOSM_Timer fast_;
    CLumAOSM_Timer slow_;
};

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    const int idleSeconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    QCoreApplication app(argc, argv);

    double runtimeRate = 0, qtRate = 0, cpuPercent = 0;
    Percentiles runtimeLatency{}, postLatency{}, qtLatency{};
    int timeouts = 0;
    {
        Runtime runtime;
        CLumAOSM_Mediator& mediator = *CLumAOSM_Mediator::Process();
        runtimeLatency = RuntimeLatency(mediator, false);
        postLatency = RuntimeLatency(mediator, true);
        runtimeRate = RuntimeThroughput(mediator);

        std::vector<std::unique_ptr<Idler>> idlers;
        for (int i = 0; i < 4; ++i) {
            idlers.push_back(std::make_unique<Idler>(&mediator));
            idlers.back()->Start(nullptr);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(200));  // let them arm
        const double cpuStart = CpuSeconds();
        const auto wallStart = Clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(idleSeconds));
        const double cpu = CpuSeconds() - cpuStart;
        const double wall = std::chrono::duration<double>(Clock::now() - wallStart).count();
        cpuPercent = 100.0 * cpu / wall;
        for (auto& idler : idlers)
            timeouts += idler->timeouts.load();
        for (auto& idler : idlers)
            idler->Stop();
        for (auto& idler : idlers)
            idler->WaitUntilStopped();
    }
    qtLatency = QtLatency();
    qtRate = QtThroughput();

    std::printf("%-44s %14s %14s\n", "", "runtime", "Qt queued");
    std::printf("%-44s %11.1f us %11.1f us\n", "latency publish -> handler, median", runtimeLatency.median_us,
                qtLatency.median_us);
    std::printf("%-44s %11.1f us %11.1f us\n", "latency publish -> handler, 99th percentile",
                runtimeLatency.p99_us, qtLatency.p99_us);
    std::printf("%-44s %11.1f us %11.1f us\n", "latency Post -> handler (one hop), median",
                postLatency.median_us, qtLatency.median_us);
    std::printf("%-44s %11.1f us %11.1f us\n", "latency Post -> handler (one hop), 99th pct.",
                postLatency.p99_us, qtLatency.p99_us);
    std::printf("%-44s %10.0f /s %12.0f /s\n", "stream to 4 subscribers (publications)", runtimeRate, qtRate);
    std::printf(
        "idle runtime, 4 objects re-arming 100 and 500 ms timers, %d s: %.2f %% of one core"
        " (%d time-outs)\n",
        idleSeconds, cpuPercent, timeouts);
    std::printf(
        "(runtime: publisher -> mediator thread -> object thread; Qt: emitting QThread -> receiving "
        "QThread)\n");
    return 0;
}
