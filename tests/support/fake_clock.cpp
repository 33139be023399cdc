#include "tests/support/fake_clock.h"

#include <cerrno>

namespace platform {

FakeClock::FakeClock(WallTime start, int64_t localOffsetSeconds)
    : now_(start), localOffset_(localOffsetSeconds) {}

WallTime FakeClock::NowUtc() const {
    std::lock_guard lock(mutex_);
    const WallTime now = now_;
    now_ = calendar::AddNanoseconds(now_, step_);
    return now;
}

bool FakeClock::SetUtc(WallTime t) {
    std::lock_guard lock(mutex_);
    if (failError_ != 0) {
        errno = failError_;
        return false;
    }
    if (t.nanoseconds < 0 || t.nanoseconds >= 1'000'000'000) {
        errno = EINVAL;
        return false;
    }
    now_ = t;
    settings_.push_back(t);
    return true;
}

ClockSetResult FakeClock::Shift(int64_t microseconds, Prompt prompt) {
    ClockSetFailure failure;
    {
        std::lock_guard lock(mutex_);
        shifts_.push_back({microseconds, prompt});
        failure = shiftFailure_;
    }
    if (failure != ClockSetFailure::None)
        return ClockSetResult{failure, "refused by the test"};
    return Clock::Shift(microseconds, prompt);
}

CivilTime FakeClock::ToLocal(int64_t unixSeconds) const {
    std::lock_guard lock(mutex_);
    return calendar::CivilFromUnix(unixSeconds + localOffset_);
}

int64_t FakeClock::FromLocal(const CivilTime& local) const {
    std::lock_guard lock(mutex_);
    return calendar::UnixFromCivil(local) - localOffset_;
}

void FakeClock::Set(WallTime t) {
    std::lock_guard lock(mutex_);
    now_ = t;
}

void FakeClock::Advance(int64_t nanoseconds) {
    std::lock_guard lock(mutex_);
    now_ = calendar::AddNanoseconds(now_, nanoseconds);
}

void FakeClock::SetStepPerRead(int64_t nanoseconds) {
    std::lock_guard lock(mutex_);
    step_ = nanoseconds;
}

void FakeClock::SetLocalOffset(int64_t seconds) {
    std::lock_guard lock(mutex_);
    localOffset_ = seconds;
}

void FakeClock::FailSettingWith(int error) {
    std::lock_guard lock(mutex_);
    failError_ = error;
}

void FakeClock::FailShiftWith(ClockSetFailure failure) {
    std::lock_guard lock(mutex_);
    shiftFailure_ = failure;
}

std::vector<FakeClock::ShiftCall> FakeClock::Shifts() const {
    std::lock_guard lock(mutex_);
    return shifts_;
}

std::vector<WallTime> FakeClock::Settings() const {
    std::lock_guard lock(mutex_);
    return settings_;
}

}  // namespace platform
