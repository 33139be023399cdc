// The synchronisation library end to end against a loopback SNTP responder. The real clock is
// never set: one test uses a fake clock, the other runs the library in a child process that
// has given CAP_SYS_TIME up for good.

#include "screensaver/ntplib/ntp_sync.h"
#include "screensaver/ntplib/ntp_lib.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <poll.h>
#include <sys/capability.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <thread>

namespace ntplib {
namespace {

constexpr std::int64_t kNs = 1'000'000'000LL;

UnixNs RealNow() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return static_cast<UnixNs>(ts.tv_sec) * kNs + ts.tv_nsec;
}

// A one-socket SNTP server on 127.0.0.1 whose time is the real clock plus an offset.
class Responder {
public:
    explicit Responder(std::int64_t offsetNs = 0) : offset_(offsetNs) {
        fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        socklen_t len = sizeof a;
        getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
    }
    ~Responder() { close(fd_); }
    std::uint16_t port() const { return port_; }
    std::string server() const { return "127.0.0.1:" + std::to_string(port_); }

    // Answers one request within timeoutMs; false when none came.
    bool ServeOne(int timeoutMs) {
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, timeoutMs) != 1)
            return false;
        std::uint8_t req[kPacketSize];
        sockaddr_in from{};
        socklen_t len = sizeof from;
        const ssize_t n = recvfrom(fd_, req, sizeof req, 0, reinterpret_cast<sockaddr*>(&from), &len);
        if (n != static_cast<ssize_t>(kPacketSize))
            return false;
        const UnixNs t2 = RealNow() + offset_;
        Packet reply{};
        reply[0] = (4 << 3) | 4;
        reply[1] = 1;
        for (int i = 0; i < 8; ++i)
            reply[24 + i] = req[40 + i];
        auto put = [&](std::size_t at, std::uint64_t v) {
            for (std::size_t i = 0; i < 8; ++i)
                reply[at + 7 - i] = static_cast<std::uint8_t>(v >> (8 * i));
        };
        put(32, ToNtp(t2));
        put(40, ToNtp(RealNow() + offset_));
        return sendto(fd_, reply.data(), reply.size(), 0, reinterpret_cast<sockaddr*>(&from), len) ==
               static_cast<ssize_t>(reply.size());
    }

private:
    int fd_ = -1;
    std::uint16_t port_ = 0;
    std::int64_t offset_;
};

class FakeClock final : public SystemClock {
public:
    UnixNs Now() override { return RealNow(); }
    bool Set(UnixNs t) override {
        set_ = t;
        setAt_ = RealNow();
        return true;
    }
    UnixNs set_ = 0, setAt_ = 0;
};

TEST(NtpSync, SetsTheClockToTheServersTimeOverLoopback) {
    Responder server(3600 * kNs);  // an hour ahead of us
    std::thread t([&] { server.ServeOne(5000); });
    FakeClock clock;
    auto link = MakeLinuxUdpLink();
    EXPECT_EQ(SyncOnce(*ParseServer(server.server()), *link, clock), 0);
    t.join();
    EXPECT_NEAR(static_cast<double>(clock.set_ - clock.setAt_), 3600.0 * kNs, 0.2 * kNs);
}

TEST(NtpSync, NoAnswerOrAClosedPortFailsWithoutSetting) {
    FakeClock clock;
    std::uint16_t closed = 0;
    {
        Responder silent;
        closed = silent.port();
        auto link = MakeLinuxUdpLink();
        // Nobody serves: the exchange waits its two seconds and gives up.
        EXPECT_EQ(SyncOnce(*ParseServer(silent.server()), *link, clock), -1);
        EXPECT_EQ(clock.set_, 0);
    }
    // The port is closed now: the refusal comes back at once.
    auto link2 = MakeLinuxUdpLink();
    EXPECT_EQ(SyncOnce({"127.0.0.1", closed}, *link2, clock), -1);
    auto link3 = MakeLinuxUdpLink();
    EXPECT_EQ(SyncOnce({"no-such-host.invalid", 123}, *link3, clock), -1);
    EXPECT_EQ(clock.set_, 0);
}

TEST(NtpSync, ServerNamesFromTheEnvironment) {
    EXPECT_EQ(ParseServer("time.example:1234")->port, 1234);
    EXPECT_EQ(ParseServer("time.example")->port, 123);
    EXPECT_EQ(ParseServer("10.0.0.1")->host, "10.0.0.1");
    EXPECT_FALSE(ParseServer("time.example:"));
    EXPECT_FALSE(ParseServer("time.example:99999"));
    EXPECT_FALSE(ParseServer(":123"));
    unsetenv("TIKO3_NTPLIB_SERVER");
    EXPECT_EQ(ConfiguredServer()->host, kDefaultServer);
}

// Gives CAP_SYS_TIME up in every set of this (child) process; true when it is really gone.
bool RelinquishTimeRight() {
    if (prctl(PR_CAPBSET_DROP, CAP_SYS_TIME, 0, 0, 0) != 0 && errno != EINVAL)
        return false;
    cap_t caps = cap_get_proc();
    if (!caps)
        return false;
    cap_value_t v = CAP_SYS_TIME;
    cap_set_flag(caps, CAP_EFFECTIVE, 1, &v, CAP_CLEAR);
    cap_set_flag(caps, CAP_PERMITTED, 1, &v, CAP_CLEAR);
    cap_set_flag(caps, CAP_INHERITABLE, 1, &v, CAP_CLEAR);
    const bool ok = cap_set_proc(caps) == 0;
    cap_free(caps);
    if (!ok)
        return false;
    caps = cap_get_proc();
    cap_flag_value_t permitted = CAP_SET;
    cap_get_flag(caps, CAP_SYS_TIME, CAP_PERMITTED, &permitted);
    cap_free(caps);
    return permitted == CAP_CLEAR;
}

TEST(SetSyncTime, ExchangesButFailsToSetWithoutTheRight) {
    // The responder tells the real time, so even a wrongly allowed setting would not move the
    // clock; the child checks that the right is gone before it calls.
    Responder server(0);
    setenv("TIKO3_NTPLIB_SERVER", server.server().c_str(), 1);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (!RelinquishTimeRight())
            _exit(10);
        const int r = SetSyncTime();
        _exit(r == -1 ? 0 : 11);
    }
    const bool served = server.ServeOne(10000);
    int status = 0;
    waitpid(child, &status, 0);
    unsetenv("TIKO3_NTPLIB_SERVER");
    EXPECT_TRUE(served) << "the library sent no request";
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "10: could not drop CAP_SYS_TIME, 11: SetSyncTime reported success";
}

}  // namespace
}  // namespace ntplib
