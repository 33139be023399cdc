#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "runtime/thread.h"
#include "runtime/tick_clock.h"

class CLumAOSM_TimerAgent;

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
