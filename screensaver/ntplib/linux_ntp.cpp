// The Linux socket and clock behind the synchronisation library.

#include <arpa/inet.h>
#include <netdb.h>
#include <poll.h>
#include <sys/capability.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "screensaver/ntplib/ntp_sync.h"

namespace ntplib {
namespace {

class LinuxUdpLink final : public UdpLink {
public:
    ~LinuxUdpLink() override {
        if (fd_ >= 0)
            close(fd_);
    }

    bool Connect(const std::string& host, std::uint16_t port) override {
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(port);
        if (inet_pton(AF_INET, host.c_str(), &addr.sin_addr) != 1) {
            addrinfo hints{};
            hints.ai_family = AF_INET;
            hints.ai_socktype = SOCK_DGRAM;
            addrinfo* found = nullptr;
            if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || !found)
                return false;
            addr.sin_addr = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr;
            freeaddrinfo(found);
        }
        fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        if (fd_ < 0)
            return false;
        // Connected: the kernel drops datagrams from any other address.
        return connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    }

    bool Send(std::span<const std::uint8_t> data) override {
        return send(fd_, data.data(), data.size(), 0) == static_cast<ssize_t>(data.size());
    }

    int Receive(std::span<std::uint8_t> buffer, int timeoutMs) override {
        timespec start{};
        clock_gettime(CLOCK_MONOTONIC, &start);
        for (;;) {
            timespec now{};
            clock_gettime(CLOCK_MONOTONIC, &now);
            const long elapsed = (now.tv_sec - start.tv_sec) * 1000 + (now.tv_nsec - start.tv_nsec) / 1000000;
            if (elapsed >= timeoutMs)
                return 0;
            pollfd p{fd_, POLLIN, 0};
            const int r = poll(&p, 1, static_cast<int>(timeoutMs - elapsed));
            if (r < 0 && errno == EINTR)
                continue;
            if (r < 0)
                return -1;
            if (r == 0)
                return 0;
            const ssize_t n = recv(fd_, buffer.data(), buffer.size(), 0);
            if (n < 0 && (errno == EINTR || errno == EAGAIN))
                continue;
            // ICMP "port unreachable" shows up here as ECONNREFUSED.
            return n < 0 ? -1 : static_cast<int>(n);
        }
    }

private:
    int fd_ = -1;
};

// Raises CAP_SYS_TIME into the effective set for its lifetime, and only when it was not there.
class TimeRight {
public:
    TimeRight() {
        cap_t caps = cap_get_proc();
        if (!caps) {
            // No capability support: nothing to raise, the setting decides.
            ok_ = errno == ENOSYS;
            return;
        }
        cap_flag_value_t effective = CAP_CLEAR, permitted = CAP_CLEAR;
        cap_get_flag(caps, CAP_SYS_TIME, CAP_EFFECTIVE, &effective);
        cap_get_flag(caps, CAP_SYS_TIME, CAP_PERMITTED, &permitted);
        if (effective == CAP_SET) {
            ok_ = true;
        } else if (permitted == CAP_SET) {
            cap_value_t v = CAP_SYS_TIME;
            cap_set_flag(caps, CAP_EFFECTIVE, 1, &v, CAP_SET);
            ok_ = raised_ = cap_set_proc(caps) == 0;
        } else {
            errno = EPERM;
        }
        cap_free(caps);
    }
    ~TimeRight() {
        if (!raised_)
            return;
        const int saved = errno;
        if (cap_t caps = cap_get_proc()) {
            cap_value_t v = CAP_SYS_TIME;
            cap_set_flag(caps, CAP_EFFECTIVE, 1, &v, CAP_CLEAR);
            cap_set_proc(caps);
            cap_free(caps);
        }
        errno = saved;
    }
    TimeRight(const TimeRight&) = delete;
    TimeRight& operator=(const TimeRight&) = delete;
    bool ok() const { return ok_; }

private:
    bool ok_ = false;
    bool raised_ = false;
};

class LinuxClock final : public SystemClock {
public:
    UnixNs Now() override {
        timespec ts{};
        clock_gettime(CLOCK_REALTIME, &ts);
        return static_cast<UnixNs>(ts.tv_sec) * 1'000'000'000LL + ts.tv_nsec;
    }

    bool Set(UnixNs t) override {
        TimeRight right;
        if (!right.ok())
            return false;
        timespec ts{};
        ts.tv_sec = static_cast<time_t>(t / 1'000'000'000LL);
        ts.tv_nsec = static_cast<long>(t % 1'000'000'000LL);
        return clock_settime(CLOCK_REALTIME, &ts) == 0;
    }
};

}  // namespace

std::unique_ptr<UdpLink> MakeLinuxUdpLink() {
    return std::make_unique<LinuxUdpLink>();
}
std::unique_ptr<SystemClock> MakeLinuxClock() {
    return std::make_unique<LinuxClock>();
}

}  // namespace ntplib
