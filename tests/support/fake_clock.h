#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/clock.h"

namespace platform {

// A clock for tests: starts at a given instant, moves only when told (or by a fixed step at
// every read), keeps a fixed local-time offset, and records every setting instead of making it.
// All members may be called from several threads.
class FakeClock final : public Clock {
public:
    explicit FakeClock(WallTime start = WallTime{1'700'000'000, 0}, int64_t localOffsetSeconds = 0);

    WallTime NowUtc() const override;
    bool SetUtc(WallTime t) override;
    // Records the change and its prompt, then fails as told or sets like SetUtc.
    ClockSetResult Shift(int64_t microseconds, Prompt prompt) override;
    CivilTime ToLocal(int64_t unixSeconds) const override;
    int64_t FromLocal(const CivilTime& local) const override;

    void Set(WallTime t);
    void Advance(int64_t nanoseconds);
    void AdvanceSeconds(int64_t seconds) { Advance(seconds * 1'000'000'000); }
    // Every read moves the clock on by this much after returning, so that successive reads differ.
    void SetStepPerRead(int64_t nanoseconds);
    void SetLocalOffset(int64_t seconds);
    // While set, SetUtc fails with this errno and changes nothing.
    void FailSettingWith(int error);

    // While set (not None), Shift fails with this cause and changes nothing.
    void FailShiftWith(ClockSetFailure failure);

    std::vector<WallTime> Settings() const;  // every accepted SetUtc, in order
    struct ShiftCall {
        int64_t microseconds;
        Prompt prompt;
    };
    std::vector<ShiftCall> Shifts() const;  // every Shift asked for, accepted or not

private:
    mutable std::mutex mutex_;
    mutable WallTime now_;
    int64_t localOffset_;
    int64_t step_ = 0;
    int failError_ = 0;
    std::vector<WallTime> settings_;
    ClockSetFailure shiftFailure_ = ClockSetFailure::None;
    std::vector<ShiftCall> shifts_;
};

}  // namespace platform
