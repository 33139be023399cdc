#include "calendar/civil_time.h"

#include <gtest/gtest.h>

using calendar::CivilFromUnix;
using calendar::CivilTime;
using calendar::UnixFromCivil;
using calendar::WallTime;

TEST(CivilTimeTest, KnownInstantsAndDaysOfWeek) {
    const CivilTime epoch = CivilFromUnix(0);
    EXPECT_EQ((CivilTime{1970, 1, 4, 1, 0, 0, 0, 0}), epoch);
    // 2000-02-29 12:34:56, a Tuesday.
    EXPECT_EQ((CivilTime{2000, 2, 2, 29, 12, 34, 56, 789}), CivilFromUnix(951827696, 789'000'000));
    // The last second before 32-bit time_t runs out, and the first after it.
    EXPECT_EQ((CivilTime{2038, 1, 2, 19, 3, 14, 7, 0}), CivilFromUnix(2147483647));
    EXPECT_EQ((CivilTime{2038, 1, 2, 19, 3, 14, 8, 0}), CivilFromUnix(2147483648));
    // Before 1970.
    EXPECT_EQ((CivilTime{1969, 12, 3, 31, 23, 59, 59, 0}), CivilFromUnix(-1));
}

TEST(CivilTimeTest, RoundTripsOverCenturies) {
    for (int64_t s = -2208988800; s < 4354819200; s += 86400 * 37 + 3607) {
        const CivilTime t = CivilFromUnix(s);
        ASSERT_EQ(s, UnixFromCivil(t)) << t.year << "-" << t.month << "-" << t.day;
        ASSERT_EQ(((s >= 0 ? s / 86400 : (s - 86399) / 86400) % 7 + 11) % 7, t.dayOfWeek);
        ASSERT_EQ(t.dayOfWeek, calendar::DayOfWeek(t.year, t.month, t.day));
    }
}

TEST(CivilTimeTest, MonthLengthsWithTheLeapRules) {
    EXPECT_EQ(calendar::DaysInMonth(2000, 2), 29);
    EXPECT_EQ(calendar::DaysInMonth(1900, 2), 28);
    EXPECT_EQ(calendar::DaysInMonth(2024, 2), 29);
    EXPECT_EQ(calendar::DaysInMonth(2023, 2), 28);
    EXPECT_EQ(calendar::DaysInMonth(2023, 4), 30);
    EXPECT_EQ(calendar::DaysInMonth(2023, 12), 31);
}

TEST(CivilTimeTest, AddNanosecondsCarriesBothWays) {
    EXPECT_EQ((WallTime{11, 100}), calendar::AddNanoseconds(WallTime{10, 999'999'900}, 200));
    EXPECT_EQ((WallTime{9, 999'999'900}), calendar::AddNanoseconds(WallTime{10, 100}, -200));
    EXPECT_EQ((WallTime{7, 5}), calendar::AddNanoseconds(WallTime{10, 5}, -3'000'000'000));
}
