#pragma once
// How far into its second each clock tick reached a subscriber, for the benches that measure it.

#include <mutex>
#include <vector>

#include "platform/clock.h"
#include "runtime/observer.h"

class TickLag final : public CLumAOSM_Observer {
public:
    explicit TickLag(const platform::Clock& clock, bool recording = false)
        : clock_(clock), recording_(recording) {
        SetName("TickLag");
    }
    int Receive(const CLumAOSM_Message*, const char*) override {
        const platform::WallTime now = clock_.NowUtc();
        std::lock_guard lock(mutex_);
        if (recording_)
            lags_.push_back(now.nanoseconds / 1e6);
        return 0;
    }
    void Record(bool on) {
        std::lock_guard lock(mutex_);
        recording_ = on;
    }
    // Milliseconds past the start of the second, one per tick received while recording.
    std::vector<double> Lags() {
        std::lock_guard lock(mutex_);
        return lags_;
    }

private:
    const platform::Clock& clock_;
    std::mutex mutex_;
    bool recording_;
    std::vector<double> lags_;
};
