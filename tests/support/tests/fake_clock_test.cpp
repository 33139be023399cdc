#include "tests/support/fake_clock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <thread>
#include <vector>

#include "tests/support/test_wait.h"

using calendar::CivilTime;
using calendar::WallTime;
using platform::FakeClock;

TEST(FakeClockTest, RecordsSettingsAndMovesOnlyWhenTold) {
    FakeClock clock(WallTime{1000, 0}, 3600);
    EXPECT_EQ((WallTime{1000, 0}), clock.NowUtc());
    clock.Advance(1'500'000'000);
    EXPECT_EQ((WallTime{1001, 500'000'000}), clock.NowUtc());

    ASSERT_TRUE(clock.SetUtc(WallTime{5000, 7}));
    // Local 02:00:00 in a UTC+1 zone is 01:00:00 UTC.
    ASSERT_TRUE(clock.SetLocal(CivilTime{1970, 1, 4, 1, 2, 0, 0, 250}));
    EXPECT_EQ((std::vector<WallTime>{{5000, 7}, {3600, 250'000'000}}), clock.Settings());
    EXPECT_EQ((WallTime{3600, 250'000'000}), clock.NowUtc());

    clock.FailSettingWith(EPERM);
    errno = 0;
    EXPECT_FALSE(clock.SetUtc(WallTime{1, 0}));
    EXPECT_EQ(EPERM, errno);
    EXPECT_EQ(2u, clock.Settings().size());
    EXPECT_FALSE(clock.SetUtc(WallTime{1, 1'000'000'000}));
}

// A shift is recorded with its prompt whether or not it is allowed; allowed, it moves the clock
// from the time it reads, refused, it says which cause and leaves the clock alone.
TEST(FakeClockTest, ShiftsAreRecordedAndFailAsTold) {
    using platform::ClockSetFailure;
    using platform::Prompt;
    FakeClock clock(WallTime{1000, 900'000'000});
    EXPECT_TRUE(clock.Shift(-1'950'000, Prompt::Allowed).Ok());
    EXPECT_EQ((WallTime{998, 950'000'000}), clock.NowUtc());
    clock.FailShiftWith(ClockSetFailure::AutomaticSync);
    EXPECT_EQ(ClockSetFailure::AutomaticSync, clock.Shift(5, Prompt::Never).failure);
    clock.FailShiftWith(ClockSetFailure::None);
    clock.FailSettingWith(EPERM);
    EXPECT_EQ(ClockSetFailure::NoServiceNoRight, clock.Shift(5, Prompt::Never).failure);
    EXPECT_EQ(1u, clock.Settings().size());
    const auto shifts = clock.Shifts();
    ASSERT_EQ(3u, shifts.size());
    EXPECT_EQ(-1'950'000, shifts[0].microseconds);
    EXPECT_EQ(Prompt::Allowed, shifts[0].prompt);
    EXPECT_EQ(Prompt::Never, shifts[2].prompt);
}

TEST(FakeClockTest, ReadersOnSeveralThreadsSeeTimeOnlyGoForward) {
    FakeClock clock(WallTime{0, 0});
    clock.SetStepPerRead(1000);
    std::atomic<bool> backwards{false};
    std::vector<std::thread> readers;
    for (int i = 0; i < 4; ++i) {
        readers.emplace_back([&] {
            WallTime last = clock.NowUtc();
            for (int n = 0; n < 20000; ++n) {
                const WallTime now = clock.NowUtc();
                if (now <= last)
                    backwards = true;
                last = now;
            }
        });
    }
    for (int n = 0; n < 1000; ++n)
        clock.Advance(1'000'000);
    Bounded([&] {
        for (auto& t : readers)
            t.join();
    });
    EXPECT_FALSE(backwards);
    EXPECT_EQ((WallTime{1, 80'004'000}), clock.NowUtc());
}
