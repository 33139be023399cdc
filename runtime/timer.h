#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "runtime/observer.h"
#include "runtime/task.h"
#include "runtime/thread.h"

class CLumAOSM_TimerBase;

// One slot of the timer agent's table, and the parameter of start and stop requests.
struct TimerSlot {
    static constexpr size_t kTextSize = 100;
    // Addresses take up to 16 digits here, so the key gets more room than the text.
    static constexpr size_t kKeySize = 128;

    uint8_t inUse = 0;
    int32_t index = 0;
    char key[kKeySize] = {};
    int32_t timeout = 0;  // milliseconds, at least CLumAOSM_Timer::kMinimumTimeout
    int32_t elapsed = 0;
    uint8_t periodic = 0;
    CLumAOSM_TimerBase* timer = nullptr;
    CLumAOSM_Observer* target = nullptr;
    int32_t eventId = 0;
    int32_t userValue = 0;
    char text[kTextSize] = {};
};

// Parameter 0 of a delivered AO_TIMEOUT_SIG.
struct TimeoutInfo {
    int32_t eventId = 0;
    int32_t userValue = 0;
    char text[TimerSlot::kTextSize] = {};
};

// "TB%08X_TO%08X_TUE%08X_EN%s": timer, target, event id, text. It also tags the queued time-outs.
std::string TimerKey(const CLumAOSM_TimerBase* timer, const CLumAOSM_Observer* target, int32_t eventId,
                     const char* text);

class CLumAOSM_TimerBase {
public:
    virtual int Fire(int32_t timeout, const TimerSlot& slot) = 0;
    virtual ~CLumAOSM_TimerBase() = default;
};

// One-shot time-outs for a client, which embeds one as a member. Start and stop are
// synchronous requests to the process's timer agent.
class CLumAOSM_Timer : public CLumAOSM_TimerBase {
public:
    static constexpr int32_t kMinimumTimeout = 30;
    // Longer texts are cut, so that every key fits its field.
    static constexpr size_t kMaxTextLength = 63;

    // Delivers AO_TIMEOUT_SIG with a TimeoutInfo to the slot's target, tagged with its key.
    int Fire(int32_t timeout, const TimerSlot& slot) override;
    ~CLumAOSM_Timer() override = default;

    // False when there is no timer agent, it refused the request, the key is already running,
    // all slots are in use, or when called on the agent's own thread.
    bool StartTimer(CLumAOSM_Observer* target, int32_t eventId, int32_t timeoutMs, int32_t userValue,
                    const char* text);
    // As StartTimer, but fires every periodMs, counted on the ticks, until stopped.
    bool StartPeriodicTimer(CLumAOSM_Observer* target, int32_t eventId, int32_t periodMs, int32_t userValue,
                            const char* text);
    // Cancels the timer and removes its already queued time-outs from the target's queue.
    bool StopTimer(CLumAOSM_Observer* target, int32_t eventId, const char* text);

private:
    bool Start(CLumAOSM_Observer* target, int32_t eventId, int32_t timeoutMs, int32_t userValue,
               const char* text, bool periodic);
};

class CLumAOSM_TimerAgent;

// Monotonic time and the sleep of the tick thread: the steady clock, unless a test hands in a
// clock it moves by hand.
class CLumAOSM_TickClock {
public:
    static constexpr int64_t kForever = INT64_MAX;

    virtual ~CLumAOSM_TickClock() = default;
    // Monotonic nanoseconds.
    virtual int64_t Now() = 0;
    // Added to Now(), gives the calendar clock's nanoseconds since 1970.
    virtual int64_t RealOffset() = 0;
    // Returns once Now() has reached deadline (kForever: never), or at a Wake. A Wake given
    // while nobody sleeps ends the next sleep at once, so none is lost.
    virtual void SleepUntil(int64_t deadline) = 0;
    virtual void Wake() = 0;
};

class CLumAOSM_SteadyTickClock final : public CLumAOSM_TickClock {
public:
    int64_t Now() override;
    int64_t RealOffset() override;
    void SleepUntil(int64_t deadline) override;
    void Wake() override;

private:
    // A futex word counting Wakes: a condition variable's timed wait costs about twice the
    // system calls per wake-up.
    std::atomic<uint32_t> wakes_{0};
    uint32_t seen_ = 0;  // the sleeper's: the Wakes it has already answered
};

// The tick source. Ticks lie on a 10 ms grid, 2 ms past the calendar clock's 10 ms marks, so a
// time-out counted to the start of a second lands just after it. The thread sleeps until the
// tick on which the earliest armed slot falls due, and without end while none is armed; the
// agent tells it each new due tick.
class CLumAOSM_Forever : public CLumAOSM_Thread {
public:
    static constexpr int32_t kTickMs = 10;
    static constexpr int64_t kTickNs = int64_t{kTickMs} * 1'000'000;
    static constexpr int64_t kGridPhaseNs = 2'000'000;
    static constexpr int64_t kNoTick = INT64_MAX;

    // Without a clock it keeps a steady clock of its own.
    explicit CLumAOSM_Forever(CLumAOSM_TickClock* clock = nullptr);
    ~CLumAOSM_Forever() override;

    // Tick 0 begins at the last grid point before the start.
    bool Start(const ThreadStartParams* params) override;
    int Run() override;
    int Stop() override;

    void SetAgent(CLumAOSM_TimerAgent* agent) { agent_.store(agent); }
    // The number of the latest tick that has begun. Any thread.
    int64_t CurrentTick() const;
    // The tick on which the earliest armed slot falls due, kNoTick when none is, and the next
    // due tick after it: once it has told the agent of the first, the thread sleeps towards the
    // second, so the agent's answer does not have to wake it. Any thread.
    void SetDue(int64_t tick, int64_t then = kNoTick);

private:
    int64_t TickTime(int64_t tick) const { return epoch_.load() + tick * kTickNs; }
    // Keeps the grid on its phase of the calendar clock after that clock has been set.
    void Align();

    std::unique_ptr<CLumAOSM_TickClock> ownClock_;
    CLumAOSM_TickClock* clock_;
    std::atomic<CLumAOSM_TimerAgent*> agent_{nullptr};
    std::atomic<int64_t> epoch_{0};  // monotonic time of tick 0
    std::atomic<bool> stopFlag_{true};
    std::mutex mutex_;
    int64_t due_ = kNoTick;          // guarded by mutex_
    int64_t then_ = kNoTick;         // guarded by mutex_
    int64_t sleepingFor_ = kNoTick;  // guarded by mutex_: the due tick the sleep ends at
};

// Holds the 500 timer slots; counts ticks and fires what has run out, on its own thread.
class CLumAOSM_TimerAgent : public CLumAOSM_Task {
public:
    static constexpr int kSlotCount = 500;

    enum class Ticks { Thread, Manual };

    // Ticks::Manual runs no tick thread: ticks come only from Tick (tests drive time that way).
    // With Ticks::Thread, `clock` (kept by the caller) replaces the steady clock.
    explicit CLumAOSM_TimerAgent(Ticks ticks = Ticks::Thread, CLumAOSM_TickClock* clock = nullptr);
    ~CLumAOSM_TimerAgent() override;

    static CLumAOSM_TimerAgent* Instance();
    // The agent every CLumAOSM_Timer addresses, set by the runtime start-up.
    static CLumAOSM_TimerAgent* Process() { return process_.load(); }
    static void SetProcess(CLumAOSM_TimerAgent* agent) { process_.store(agent); }

    int Run() override;
    int Dispatch(CLumAOSM_Message* message) override;

    // Queues one tick of stepMs (tests drive a manual agent so).
    int Tick(int32_t stepMs = CLumAOSM_Forever::kTickMs);
    // Queues the tick thread's notice that tick `tick` has begun.
    int TickReached(int64_t tick);

    // Agent thread only.
    const TimerSlot& Slot(int index) const { return slots_[index]; }

private:
    // Start, stop and (for a manual agent) tick requests.
    int Handle(CLumAOSM_Message* message);
    void Free(TimerSlot& slot);
    void OnTick(int64_t step);
    // Counts every tick up to `tick` into the slots, firing each time-out on its own tick.
    void CatchUp(int64_t tick);
    // Ticks from the last counted one to the earliest due time-out; kNoTick when none is armed.
    int64_t TicksToEarliestDue() const;
    // Tells the tick thread the earliest due tick and the one after it.
    void PublishDue();
    intptr_t OnStart(const TimerSlot& request);
    void OnStop(const TimerSlot& request);

    Ticks ticks_;
    CLumAOSM_TickClock* clock_;
    std::unique_ptr<CLumAOSM_Forever> tickThread_;
    int64_t counted_ = 0;  // agent thread: the last tick counted into the slots
    TimerSlot slots_[kSlotCount];

    static std::atomic<CLumAOSM_TimerAgent*> instance_;
    static std::atomic<CLumAOSM_TimerAgent*> process_;
};
