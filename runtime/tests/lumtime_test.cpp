#include "runtime/lumtime.h"
#include "runtime/waitevent.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "tests/support/test_wait.h"

TEST(LumTime, AddCarriesMillisecondsIntoSeconds) {
    CLumTime a(10, 700);
    a.Add(CLumTime(2, 500));
    EXPECT_EQ(a.Seconds(), 13);
    EXPECT_EQ(a.Milliseconds(), 200);
}

TEST(LumTime, SubtractBorrowsASecond) {
    CLumTime a(10, 200);
    a.Subtract(CLumTime(3, 700));
    EXPECT_EQ(a.Seconds(), 6);
    EXPECT_EQ(a.Milliseconds(), 500);
}

TEST(LumTime, FromMillisecondsTruncates) {
    CLumTime t;
    t.FromMilliseconds(12345);
    EXPECT_EQ(t.Seconds(), 12);
    EXPECT_EQ(t.Milliseconds(), 345);
    t.FromMilliseconds(-1500);
    EXPECT_EQ(t.Seconds(), -1);
    EXPECT_EQ(t.Milliseconds(), -500);
}

TEST(LumTime, CompareBySecondsThenMilliseconds) {
    EXPECT_TRUE(CLumTime(1, 999).LessOrEqual(CLumTime(2, 0)));
    EXPECT_TRUE(CLumTime(2, 5).LessOrEqual(CLumTime(2, 5)));
    EXPECT_FALSE(CLumTime(2, 6).LessOrEqual(CLumTime(2, 5)));
    EXPECT_FALSE(CLumTime(2, 5).NotEqual(CLumTime(2, 5)));
    EXPECT_TRUE(CLumTime(2, 5).NotEqual(CLumTime(2, 6)));
}

TEST(WaitEvent, SetBeforeWaitIsKeptAndConsumedOnce) {
    CLumWaitEvent event;
    event.Set();
    Bounded([&] { event.Wait(-1); });  // the kept signal releases it at once
    const auto start = std::chrono::steady_clock::now();
    event.Wait(30);  // the signal was consumed: this one waits out its time-out
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(30));
    std::thread setter([&] { event.Set(); });
    Bounded([&] { event.Wait(-1); });  // released by the other thread
    Bounded([&] { setter.join(); });
}
