#include "platform/clock.h"

#include <gtest/gtest.h>

#include "tests/support/fake_clock.h"

using calendar::CivilTime;
using calendar::WallTime;

TEST(ClockTest, KoreanStandardTimeIgnoresTheLocalZone) {
    // 2026-12-08 15:30:00.250 UTC is 2026-12-09 00:30:00.250 in Korea.
    platform::FakeClock clock(WallTime{1796743800, 250'000'000}, -5 * 3600);
    EXPECT_EQ((CivilTime{2026, 12, 3, 9, 0, 30, 0, 250}), platform::KoreanStandardTime(clock));
    EXPECT_EQ((CivilTime{2026, 12, 2, 8, 10, 30, 0, 250}), clock.NowLocal());
}
