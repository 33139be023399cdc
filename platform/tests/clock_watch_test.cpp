#include "platform/clock_watch.h"

#include <gtest/gtest.h>

#include <atomic>

namespace {

TEST(ClockSetWatch, NotifyReachesEachListenerUntilItIsRemoved) {
    platform::ClockSetWatch watch;
    std::atomic<int> first{0};
    std::atomic<int> second{0};
    const int a = watch.Add([&] { first.fetch_add(1); });
    const int b = watch.Add([&] { second.fetch_add(1); });
    EXPECT_GT(a, 0);
    EXPECT_NE(a, b);
    watch.Notify();
    watch.Remove(a);
    watch.Notify();
    EXPECT_EQ(first.load(), 1);
    EXPECT_EQ(second.load(), 2);
}

// The real watch cannot be triggered here (no test sets the clock); it must start and stop cleanly.
TEST(ClockSetWatch, SystemWatchStartsAndStops) {
    for (int i = 0; i < 3; ++i) {
        platform::SystemClockSetWatch watch;
        EXPECT_TRUE(watch.IsWatching());
        const int id = watch.Add([] {});
        watch.Remove(id);
    }
}

}  // namespace
