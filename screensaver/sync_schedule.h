#pragma once
// When the screen saver asks the outside library to set the clock.

#include <ctime>
#include <functional>

namespace scr {

class SyncSchedule {
public:
    using SyncFn = std::function<int()>;
    using ClockFn = std::function<std::time_t()>;
    SyncSchedule(ClockFn clock, SyncFn sync) : clock_(std::move(clock)), sync_(std::move(sync)) {}

    // Window creation: the start counts as the last synchronisation, so the first call comes
    // one whole interval later.
    void Start() { last_ = clock_(); }

    // The interval a missing setting gives.
    static constexpr int kDefaultInterval = 1000;

    // One timer tick. Calls the library when sync is on and at least interval seconds have
    // passed. An interval of 0 or less (an emptied box) counts as the default: taken as it
    // stands it would ask the time server ten times a second. The result is not examined: a
    // failure simply waits for the next interval. True when it called.
    bool Tick(int syncOn, int interval) {
        if (syncOn != 1)
            return false;
        if (interval <= 0)
            interval = kDefaultInterval;
        if (static_cast<long long>(clock_() - last_) < interval)
            return false;
        sync_();
        // Read again: the call has just set the clock.
        last_ = clock_();
        return true;
    }

    std::time_t last() const { return last_; }

private:
    ClockFn clock_;
    SyncFn sync_;
    std::time_t last_ = 0;
};

}  // namespace scr
