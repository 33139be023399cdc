#include "screensaver/sync_schedule.h"

#include <gtest/gtest.h>

namespace scr {
namespace {

struct FakeClockAndLibrary {
    std::time_t now = 1'700'000'000;
    int calls = 0;
    // A library that really moves the clock, like a synchronisation does.
    std::time_t jumpOnSync = 0;
    SyncSchedule schedule{[this] { return now; },
                          [this] {
                              ++calls;
                              now += jumpOnSync;
                              return -1;  // its result is ignored
                          }};
    // Ticks of 100 ms over the given number of seconds.
    int RunSeconds(int seconds, int syncOn, int interval, int ticksPerSecond = 10) {
        int made = 0;
        for (int s = 0; s < seconds; ++s) {
            for (int t = 0; t < ticksPerSecond; ++t)
                made += schedule.Tick(syncOn, interval);
            ++now;
        }
        return made;
    }
};

TEST(SyncSchedule, FirstCallComesOneFullIntervalAfterStart) {
    FakeClockAndLibrary f;
    f.schedule.Start();
    EXPECT_EQ(f.RunSeconds(1000, 1, 1000), 0);  // seconds 0 to 999
    EXPECT_TRUE(f.schedule.Tick(1, 1000));      // the first tick of second 1000
    EXPECT_EQ(f.RunSeconds(1000, 1, 1000), 0);  // the rest of 1000, up to 1999
    EXPECT_TRUE(f.schedule.Tick(1, 1000));
    EXPECT_EQ(f.calls, 2);
}

// Taken as it stands, an emptied interval box would ask the server on every 100 ms tick.
TEST(SyncSchedule, IntervalZeroOrLessCountsAsTheDefault) {
    for (const int interval : {0, -7}) {
        FakeClockAndLibrary f;
        f.schedule.Start();
        EXPECT_EQ(f.RunSeconds(SyncSchedule::kDefaultInterval, 1, interval), 0) << interval;
        EXPECT_TRUE(f.schedule.Tick(1, interval)) << interval;
        EXPECT_EQ(f.calls, 1) << interval;
    }
}

TEST(SyncSchedule, SyncOffOrAnyOtherValueNeverCalls) {
    FakeClockAndLibrary f;
    f.schedule.Start();
    EXPECT_EQ(f.RunSeconds(5, 0, 0), 0);
    EXPECT_EQ(f.RunSeconds(5, 2, 0), 0);
    EXPECT_EQ(f.calls, 0);
}

TEST(SyncSchedule, NextIntervalCountsFromTheClockAfterTheCall) {
    FakeClockAndLibrary f;
    f.jumpOnSync = -3600;  // the PC clock was an hour fast
    f.schedule.Start();
    f.now += 10;
    EXPECT_TRUE(f.schedule.Tick(1, 10));
    EXPECT_EQ(f.schedule.last(), f.now);
    EXPECT_EQ(f.RunSeconds(10, 1, 10), 0);
    EXPECT_TRUE(f.schedule.Tick(1, 10));
}

}  // namespace
}  // namespace scr
