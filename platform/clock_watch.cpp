#include "platform/clock_watch.h"

#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace platform {

int ClockSetWatch::Add(Listener listener) {
    std::lock_guard lock(mutex_);
    const int id = nextId_++;
    listeners_.emplace(id, std::move(listener));
    return id;
}

void ClockSetWatch::Remove(int id) {
    std::lock_guard lock(mutex_);
    listeners_.erase(id);
}

void ClockSetWatch::Notify() {
    std::lock_guard lock(mutex_);
    for (auto& [id, listener] : listeners_)
        listener();
}

SystemClockSetWatch::SystemClockSetWatch() {
    timerFd_ = timerfd_create(CLOCK_REALTIME, TFD_CLOEXEC | TFD_NONBLOCK);
    stopFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (timerFd_ < 0 || stopFd_ < 0 || !Arm()) {
        if (timerFd_ >= 0)
            close(timerFd_);
        timerFd_ = -1;
        return;
    }
    thread_ = std::thread([this] { Watch(); });
}

SystemClockSetWatch::~SystemClockSetWatch() {
    if (thread_.joinable()) {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = write(stopFd_, &one, sizeof one);
        thread_.join();
    }
    if (timerFd_ >= 0)
        close(timerFd_);
    if (stopFd_ >= 0)
        close(stopFd_);
}

bool SystemClockSetWatch::Arm() {
    // An absolute expiry centuries ahead: it never expires, it only gets cancelled.
    itimerspec far{};
    far.it_value.tv_sec = time_t{1} << 33;
    return timerfd_settime(timerFd_, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &far, nullptr) == 0;
}

void SystemClockSetWatch::Watch() {
    pthread_setname_np(pthread_self(), "ClockSetWatch");
    pollfd fds[2] = {{timerFd_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
    for (;;) {
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents != 0)
            return;
        uint64_t expirations = 0;
        if (read(timerFd_, &expirations, sizeof expirations) < 0 && errno == ECANCELED) {
            Arm();
            Notify();
        } else if (!Arm()) {
            return;
        }
    }
}

}  // namespace platform
