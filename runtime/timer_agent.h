#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "runtime/task.h"
#include "runtime/tick_thread.h"
#include "runtime/timer.h"

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
