#include "timeservices/time_telegram.h"

#include <gtest/gtest.h>

#include <string>

#include "manager_harness.h"

namespace {

uint8_t CheckOf(const char* text) {
    return TelegramCheckByte(reinterpret_cast<const uint8_t*>(text), 7);
}

TEST(TimeTelegram, CheckBytesOfTheKnownSeconds) {
    EXPECT_EQ(CheckOf("@120000"), 0xE6);
    EXPECT_EQ(CheckOf("@000000"), 0xAB);
    EXPECT_EQ(CheckOf("@235959"), 0x27);
}

TEST(TimeTelegram, TelegramIsTextCheckByteCrLf) {
    const TimeTelegram t = BuildTimeTelegram(7, 5, 9);
    EXPECT_EQ(std::string(t.begin(), t.begin() + 7), "@070509");
    EXPECT_EQ(t[7], CheckOf("@070509"));
    EXPECT_EQ(t[8], 0x0D);
    EXPECT_EQ(t[9], 0x0A);
    EXPECT_EQ(BuildTimeTelegram(12, 0, 0)[7], 0xE6);
}

// A second caught on the fake clock: the sleeper moves the clock, every read moves it 50 us.
struct CatchCase {
    int startMs;
    int compensation;
};

class CatchSecondTest : public testing::TestWithParam<CatchCase> {};

TEST_P(CatchSecondTest, LandsInTheWindowAfterSleepingWithFewReads) {
    const CatchCase c = GetParam();
    harness::CountingClock clock({1'700'000'000, c.startMs * 1'000'000}, 9 * 3600);
    clock.fake.SetStepPerRead(50'000);
    int64_t slept = 0;
    const calendar::CivilTime got = CatchSecond(clock, c.compensation, [&](std::chrono::nanoseconds span) {
        slept += span.count();
        clock.fake.Advance(span.count());
    });
    const calendar::WallTime after = clock.fake.NowUtc();
    EXPECT_GE(got.millisecond, c.compensation);
    EXPECT_LE(got.millisecond, c.compensation + telegram::kCatchWindowMs);
    // The reading names the second it was taken in, in local time.
    const calendar::CivilTime local = clock.ToLocal(after.seconds);
    EXPECT_EQ(got.hour * 3600 + got.minute * 60 + got.second,
              local.hour * 3600 + local.minute * 60 + local.second);
    // Slept up to a few milliseconds before the point instead of spinning through the second.
    EXPECT_LT(clock.Reads(), 200);
    if (c.startMs < c.compensation - telegram::kSpinLeadMs) {
        EXPECT_GT(slept, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Starts, CatchSecondTest,
                         testing::Values(CatchCase{100, 500}, CatchCase{499, 500}, CatchCase{536, 500},
                                         CatchCase{900, 500}, CatchCase{0, 10}, CatchCase{500, 990},
                                         CatchCase{997, 990}));

TEST(TimeTelegram, CompensationOutsideTheSecondStillReturns) {
    harness::CountingClock clock({1'700'000'000, 0});
    clock.fake.SetStepPerRead(50'000);
    auto sleep = [&](std::chrono::nanoseconds span) { clock.fake.Advance(span.count()); };
    EXPECT_EQ(CatchSecond(clock, 5000, sleep).millisecond, 999);
    EXPECT_LE(CatchSecond(clock, -20, sleep).millisecond, telegram::kCatchWindowMs);
}

}  // namespace
