#pragma once

#include <cstdint>

#include "platform/wake_word.h"

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
    platform::WakeWord wakes_;  // counts Wakes
    uint32_t seen_ = 0;         // the sleeper's: the Wakes it has already answered
};
