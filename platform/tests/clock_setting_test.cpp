#include "platform/clock_setting.h"

#include <gtest/gtest.h>

#include "platform/clock.h"
#include "platform/sys_time_right.h"
#include "tests/support/private_system_bus.h"

namespace {

using platform::ClockSetFailure;
using platform::Prompt;

}  // namespace

TEST(ClockSettingTest, SetTimeIsOneRelativeChangeWithThePromptAsAsked) {
    PrivateSystemBus bus;
    ASSERT_TRUE(bus.StartPolkit(true) && bus.StartTimedated(false)) << bus.Problem();
    EXPECT_TRUE(platform::ShiftSystemClock(2'500'000, Prompt::Allowed).Ok());
    EXPECT_TRUE(platform::ShiftSystemClock(-1'250, Prompt::Never).Ok());
    platform::SystemClock clock;
    // The absolute setter is the change from now, never prompting.
    EXPECT_TRUE(clock.SetUtc(calendar::AddSeconds(clock.NowUtc(), -60)));

    const auto calls = bus.SetTimeCalls();
    ASSERT_EQ(3u, calls.size());
    EXPECT_EQ(2'500'000, calls[0].microseconds);
    EXPECT_TRUE(calls[0].relative);
    EXPECT_TRUE(calls[0].interactive);
    EXPECT_EQ(-1'250, calls[1].microseconds);
    EXPECT_FALSE(calls[1].interactive);
    EXPECT_NEAR(-60'000'000, calls[2].microseconds, 5'000);
    EXPECT_FALSE(calls[2].interactive);
    for (const auto& call : calls)
        EXPECT_EQ("set", call.outcome);
}

TEST(ClockSettingTest, EachRefusalHasItsCause) {
    {
        PrivateSystemBus bus;
        ASSERT_TRUE(bus.StartPolkit(true) && bus.StartTimedated(true)) << bus.Problem();
        const auto result = platform::ShiftSystemClock(1'000'000, Prompt::Allowed);
        EXPECT_EQ(ClockSetFailure::AutomaticSync, result.failure) << result.detail;
        const auto state = platform::ReadTimeServiceState();
        EXPECT_TRUE(state.answered && state.ntp && state.ntpSynchronized);
        EXPECT_EQ(platform::ClockAuthority::TimeService, platform::CurrentClockAuthority(state));
    }
    {
        PrivateSystemBus bus;
        ASSERT_TRUE(bus.StartPolkit(false) && bus.StartTimedated(false)) << bus.Problem();
        const auto result = platform::ShiftSystemClock(1'000'000, Prompt::Never);
        EXPECT_EQ(ClockSetFailure::NotAuthorised, result.failure) << result.detail;
        ASSERT_EQ(1u, bus.SetTimeCalls().size());
        EXPECT_EQ("denied", bus.SetTimeCalls()[0].outcome);
    }
    {
        // No time service on the bus, and the fixture gave up CAP_SYS_TIME: nothing may set it.
        PrivateSystemBus bus;
        ASSERT_TRUE(bus.Ok()) << bus.Problem();
        const auto result = platform::ShiftSystemClock(1'000'000, Prompt::Allowed);
        EXPECT_EQ(ClockSetFailure::NoServiceNoRight, result.failure) << result.detail;
        const auto state = platform::ReadTimeServiceState();
        EXPECT_FALSE(state.answered);
        EXPECT_EQ(platform::ClockAuthority::Nobody, platform::CurrentClockAuthority(state));
    }
}

TEST(ClockSettingTest, NoBusAtAllMeansNoServiceAndNoRight) {
    PrivateSystemBus bus;  // only for giving up the right
    ASSERT_TRUE(bus.Ok()) << bus.Problem();
    setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/socket", 1);
    EXPECT_EQ(ClockSetFailure::NoServiceNoRight, platform::ShiftSystemClock(5, Prompt::Never).failure);
    EXPECT_FALSE(platform::HasSysTimeRight());
}
