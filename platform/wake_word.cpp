#include "platform/wake_word.h"

#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <climits>
#include <ctime>

namespace platform {

// The futex word is the atomic itself.
static_assert(std::atomic<uint32_t>::is_always_lock_free &&
              sizeof(std::atomic<uint32_t>) == sizeof(uint32_t));

void WakeWord::WaitWhile(uint32_t seen, int64_t deadlineNs) {
    timespec until{};
    const timespec* timeout = nullptr;
    if (deadlineNs != kForever) {
        until.tv_sec = static_cast<time_t>(deadlineNs / 1'000'000'000);
        until.tv_nsec = static_cast<long>(deadlineNs % 1'000'000'000);
        timeout = &until;
    }
    // FUTEX_WAIT_BITSET takes an absolute CLOCK_MONOTONIC time; a WakeAll that came first makes
    // it return at once (the word no longer holds `seen`).
    syscall(SYS_futex, &word_, FUTEX_WAIT_BITSET_PRIVATE, seen, timeout, nullptr, FUTEX_BITSET_MATCH_ANY);
}

void WakeWord::WakeAll() {
    word_.fetch_add(1, std::memory_order_release);
    syscall(SYS_futex, &word_, FUTEX_WAKE_PRIVATE, INT_MAX, nullptr, nullptr, 0);
}

}  // namespace platform
