#include "runtime/waitevent.h"

#include <chrono>

bool CLumWaitEvent::Set() {
    std::lock_guard lock(mutex_);
    signalled_ = true;
    cond_.notify_one();
    return true;
}

bool CLumWaitEvent::Wait(int timeoutMs) {
    std::unique_lock lock(mutex_);
    if (timeoutMs < 0)
        cond_.wait(lock, [this] { return signalled_; });
    else
        cond_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return signalled_; });
    signalled_ = false;
    return true;
}
