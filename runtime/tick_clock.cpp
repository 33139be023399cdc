#include "runtime/tick_clock.h"

#include <chrono>

// ---- CLumAOSM_SteadyTickClock

int64_t CLumAOSM_SteadyTickClock::Now() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int64_t CLumAOSM_SteadyTickClock::RealOffset() {
    const int64_t real = std::chrono::duration_cast<std::chrono::nanoseconds>(
                             std::chrono::system_clock::now().time_since_epoch())
                             .count();
    return real - Now();
}

// The steady clock is CLOCK_MONOTONIC, the clock the wake word's deadline is given on.
void CLumAOSM_SteadyTickClock::SleepUntil(int64_t deadline) {
    for (;;) {
        const uint32_t wakes = wakes_.Count();
        if (wakes != seen_) {
            seen_ = wakes;
            return;
        }
        if (deadline != kForever && Now() >= deadline)
            return;
        wakes_.WaitWhile(wakes, deadline == kForever ? platform::WakeWord::kForever : deadline);
    }
}

void CLumAOSM_SteadyTickClock::Wake() {
    // The tick thread that owns this clock ends only after every caller is done with it.
    wakes_.WakeAll();
}
