#pragma once
// A client's one-shot and periodic time-outs (`CLumAOSM_Timer`), the slot they occupy and the
// record a time-out carries. The agent that counts them is in timer_agent.h.

#include <cstdint>
#include <string>

#include "runtime/observer.h"

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
