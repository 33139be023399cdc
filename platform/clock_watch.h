#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <thread>

namespace platform {

// Tells when the PC clock has been set (stepped, not slewed) or the machine has resumed, so that
// a sleeper whose wake-up was counted on the old time can look again at once. Listeners run on
// the watch's thread and must only hand the news on. This class is also the fake: a test calls
// Notify itself.
class ClockSetWatch {
public:
    using Listener = std::function<void()>;

    ClockSetWatch() = default;
    ClockSetWatch(const ClockSetWatch&) = delete;
    ClockSetWatch& operator=(const ClockSetWatch&) = delete;
    virtual ~ClockSetWatch() = default;

    // Calls `listener` after each setting until Remove. Returns an id above 0.
    int Add(Listener listener);
    // Once it returns, the listener neither runs nor will be called again.
    void Remove(int id);
    // Calls every listener, on the calling thread.
    void Notify();

private:
    std::mutex mutex_;
    int nextId_ = 1;
    std::map<int, Listener> listeners_;
};

// The real clock: a CLOCK_REALTIME timerfd armed far ahead with TFD_TIMER_CANCEL_ON_SET, which
// the kernel cancels whenever the clock jumps. Its thread sleeps in poll until then.
class SystemClockSetWatch final : public ClockSetWatch {
public:
    SystemClockSetWatch();
    ~SystemClockSetWatch() override;

    // False when the kernel offered no such timer; then nobody is ever told.
    bool IsWatching() const { return timerFd_ >= 0; }

private:
    bool Arm();
    void Watch();

    int timerFd_ = -1;
    int stopFd_ = -1;
    std::thread thread_;
};

}  // namespace platform
