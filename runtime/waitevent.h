#pragma once

#include <condition_variable>
#include <mutex>

// Auto-reset event: one Set releases one Wait; a Set with nobody waiting is kept until the next Wait.
class CLumWaitEvent {
public:
    CLumWaitEvent() = default;
    CLumWaitEvent(const CLumWaitEvent&) = delete;
    CLumWaitEvent& operator=(const CLumWaitEvent&) = delete;

    bool Set();
    // Waits at most timeoutMs (-1: without limit). Always true, as the callers re-check their own state.
    bool Wait(int timeoutMs);

    // Runs update under the event's lock, then signals. Paired with WaitFor, this lets a waiter
    // destroy the event as soon as it sees the update: the setter is done with it by then.
    template <class F>
    void SetWith(F&& update) {
        std::lock_guard lock(mutex_);
        update();
        signalled_ = true;
        cond_.notify_all();
    }

    // Waits until done() holds, evaluated under the event's lock; consumes the signal.
    template <class P>
    void WaitFor(P&& done) {
        std::unique_lock lock(mutex_);
        cond_.wait(lock, [&] { return done(); });
        signalled_ = false;
    }

private:
    std::mutex mutex_;
    std::condition_variable cond_;
    bool signalled_ = false;
};
