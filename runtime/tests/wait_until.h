#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "tests/support/test_wait.h"

// A gate a handler can block on until the test opens it.
class Gate {
public:
    void Open() {
        std::lock_guard lock(mutex_);
        open_ = true;
        cond_.notify_all();
    }
    void Pass() {
        std::unique_lock lock(mutex_);
        arrived_ = true;
        cond_.notify_all();
        cond_.wait(lock, [this] { return open_; });
    }
    bool WaitArrived() {
        std::unique_lock lock(mutex_);
        return cond_.wait_for(lock, std::chrono::seconds(10), [this] { return arrived_; });
    }

private:
    std::mutex mutex_;
    std::condition_variable cond_;
    bool open_ = false;
    bool arrived_ = false;
};
