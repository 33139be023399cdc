// The synchronisation library end to end against the loopback SNTP responder that LumClient's
// tests use too. The real clock is never set: SyncOnce sets a fake clock, and SetSyncTime runs
// in a child process that has given CAP_SYS_TIME up for good, or on a private bus.

#include "screensaver/ntplib/ntp_sync.h"
#include "screensaver/ntplib/ntp_lib.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>

#include "platform/sys_time_right.h"
#include "tests/support/child_process.h"
#include "tests/support/fake_clock.h"
#include "tests/support/private_system_bus.h"
#include "tests/support/sntp_responder.h"

namespace ntplib {
namespace {

using Behaviour = CSntpResponder::Behaviour;

ServerAddress Loopback(const CSntpResponder& server) {
    return {"127.0.0.1", server.Port()};
}

TEST(NtpSync, SetsTheClockToTheServersTimeOverLoopback) {
    platform::FakeClock clock(calendar::WallTime{1'796'743'800, 125'000'000});
    CSntpResponder server(clock, 3600.25);  // an hour and a quarter second ahead of us
    ASSERT_TRUE(server.Start());
    ASSERT_EQ(0, SyncOnce(Loopback(server), clock));
    ASSERT_EQ(1u, clock.Settings().size());
    EXPECT_EQ(1'796'743'800 + 3600, clock.Settings()[0].seconds);
    EXPECT_NEAR(375'000'000, clock.Settings()[0].nanoseconds, 1);
}

TEST(NtpSync, NoTrustworthyAnswerLeavesTheClockAlone) {
    platform::FakeClock clock(calendar::WallTime{1'796'743'800, 0});
    // Zero times pass LumClient's client (its query rejects them), so the library checks them.
    for (const Behaviour behaviour : {Behaviour::ZeroTimes, Behaviour::KissOfDeath}) {
        CSntpResponder server(clock, 5.0, behaviour);
        ASSERT_TRUE(server.Start());
        EXPECT_EQ(-1, SyncOnce(Loopback(server), clock));
    }
    clock.FailSettingWith(EPERM);
    CSntpResponder server(clock, 5.0);
    ASSERT_TRUE(server.Start());
    EXPECT_EQ(-1, SyncOnce(Loopback(server), clock));
    EXPECT_TRUE(clock.Settings().empty());
}

TEST(NtpSync, ServerFromTheEnvironment) {
    std::map<std::string, std::string> env;
    const EnvironmentLookup lookup = [&](const char* name) -> const char* {
        const auto it = env.find(name);
        return it == env.end() ? nullptr : it->second.c_str();
    };
    EXPECT_EQ((ServerAddress{kDefaultPrimaryHost, 123}), ConfiguredServer(lookup));
    env[kPrimaryServerVariable] = "time.example:1234";
    EXPECT_EQ((ServerAddress{"time.example", 1234}), ConfiguredServer(lookup));
    env[kServerVariable] = "10.0.0.1";
    EXPECT_EQ((ServerAddress{"10.0.0.1", 123}), ConfiguredServer(lookup));
    // A wrong name fails rather than asking a server nobody chose.
    env[kServerVariable] = "time.example:99999";
    EXPECT_FALSE(ConfiguredServer(lookup));
}

TEST(SetSyncTime, ExchangesButFailsToSetWithoutTheRight) {
    // The responder tells the real time, so even a wrongly allowed setting would not move the
    // clock; the child checks that the right is gone before it calls.
    platform::SystemClock real;
    CSntpResponder server(real, 0.0);
    ASSERT_TRUE(server.Start());
    const std::string address = "127.0.0.1:" + std::to_string(server.Port());
    const int status = InChild([&] {
        if (!platform::RelinquishSysTimeRight() || platform::HasSysTimeRight())
            return 10;
        setenv(kServerVariable, address.c_str(), 1);
        return SetSyncTime() == -1 ? 0 : 11;
    });
    EXPECT_EQ(1, server.RequestsSeen()) << "the library sent no request";
    EXPECT_EQ(0, status) << "10: could not drop CAP_SYS_TIME, 11: SetSyncTime reported success";
}

// The library's real setter through a private bus: one relative SetTime that never prompts.
TEST(SetSyncTime, AsksTheTimeServiceWithoutPrompting) {
    PrivateSystemBus bus;
    ASSERT_TRUE(bus.StartPolkit(true) && bus.StartTimedated(false)) << bus.Problem();
    platform::SystemClock real;
    CSntpResponder server(real, 2.5);
    ASSERT_TRUE(server.Start());
    setenv(kServerVariable, ("127.0.0.1:" + std::to_string(server.Port())).c_str(), 1);
    EXPECT_EQ(0, SetSyncTime());
    // Refused by the service, the library only says it failed.
    PrivateSystemBus refusing;
    ASSERT_TRUE(refusing.StartPolkit(false) && refusing.StartTimedated(false)) << refusing.Problem();
    EXPECT_EQ(-1, SetSyncTime());
    unsetenv(kServerVariable);

    ASSERT_EQ(1u, bus.SetTimeCalls().size());
    EXPECT_NEAR(2'500'000, bus.SetTimeCalls()[0].microseconds, 5'000);
    EXPECT_TRUE(bus.SetTimeCalls()[0].relative);
    EXPECT_FALSE(bus.SetTimeCalls()[0].interactive);
    ASSERT_EQ(1u, refusing.SetTimeCalls().size());
    EXPECT_EQ("denied", refusing.SetTimeCalls()[0].outcome);
}

}  // namespace
}  // namespace ntplib
