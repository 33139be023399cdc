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
    // Cancels the timer and removes its already queued time-outs from the target's queue.
    bool StopTimer(CLumAOSM_Observer* target, int32_t eventId, const char* text);
};

class CLumAOSM_TimerAgent;

// The tick source: posts a 10 ms tick to the agent every 10 ms.
class CLumAOSM_Forever : public CLumAOSM_Thread {
public:
    static constexpr int32_t kTickMs = 10;

    CLumAOSM_Forever() = default;
    ~CLumAOSM_Forever() override;

    bool Start(const ThreadStartParams* params) override;
    int Run() override;
    int Stop() override;

    void SetAgent(CLumAOSM_TimerAgent* agent) { agent_.store(agent); }

private:
    std::atomic<CLumAOSM_TimerAgent*> agent_{nullptr};
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopFlag_ = true;  // guarded by mutex_
};

// Holds the 500 timer slots; counts ticks and fires what has run out, on its own thread.
class CLumAOSM_TimerAgent : public CLumAOSM_Task {
public:
    static constexpr int kSlotCount = 500;

    enum class Ticks { Thread, Manual };

    // Ticks::Manual runs no tick thread: ticks come only from Tick (tests drive time that way).
    explicit CLumAOSM_TimerAgent(Ticks ticks = Ticks::Thread);
    ~CLumAOSM_TimerAgent() override;

    static CLumAOSM_TimerAgent* Instance();
    // The agent every CLumAOSM_Timer addresses, set by the runtime start-up.
    static CLumAOSM_TimerAgent* Process() { return process_.load(); }
    static void SetProcess(CLumAOSM_TimerAgent* agent) { process_.store(agent); }

    int Run() override;
    int Dispatch(CLumAOSM_Message* message) override;

    // Queues one tick of stepMs, as the tick thread does.
    int Tick(int32_t stepMs = CLumAOSM_Forever::kTickMs);

    // Agent thread only.
    const TimerSlot& Slot(int index) const { return slots_[index]; }

private:
    void Free(TimerSlot& slot);
    void OnTick(int32_t step);
    intptr_t OnStart(const TimerSlot& request);
    void OnStop(const TimerSlot& request);

    Ticks ticks_;
    std::unique_ptr<CLumAOSM_Forever> tickThread_;
    TimerSlot slots_[kSlotCount];

    static std::atomic<CLumAOSM_TimerAgent*> instance_;
    static std::atomic<CLumAOSM_TimerAgent*> process_;
};
