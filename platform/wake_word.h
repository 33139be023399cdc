#pragma once

#include <atomic>
#include <cstdint>

namespace platform {

// A word that one thread sleeps on and others bump to wake it, with an absolute deadline on the
// monotonic clock: a futex, which costs about half the system calls of a condition variable's
// timed wait per wake-up.
class WakeWord {
public:
    static constexpr int64_t kForever = INT64_MAX;

    // How many times WakeAll has been called.
    uint32_t Count() const { return word_.load(std::memory_order_acquire); }
    // Sleeps while the count is still `seen`, at most until `deadlineNs` on CLOCK_MONOTONIC
    // (kForever: no deadline). Returns at once when a WakeAll came after `seen` was read; may
    // also return early, so callers look again.
    void WaitWhile(uint32_t seen, int64_t deadlineNs);
    // Counts one more wake and wakes every sleeper.
    void WakeAll();

private:
    std::atomic<uint32_t> word_{0};
};

}  // namespace platform
