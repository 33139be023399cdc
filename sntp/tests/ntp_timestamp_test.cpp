#include "sntp/ntp_timestamp.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

using calendar::CivilTime;
using calendar::WallTime;

namespace {

CivilTime Utc(int year, int month, int day, int hour, int minute, int second, int ms = 0) {
    return calendar::MakeCivilTime(year, month, day, hour, minute, second, ms);
}

NtpTimestamp ThroughWire(const NtpTimestamp& t) {
    uint8_t wire[8];
    t.ToWire(wire);
    return NtpTimestamp::FromWire(wire);
}

}  // namespace

TEST(NtpTimestampTest, NineteenHundredIsZeroAndAMonday) {
    EXPECT_EQ(0u, NtpTimestamp::FromCivil(Utc(1900, 1, 1, 0, 0, 0)).Raw());
    const CivilTime t = NtpTimestamp().ToCivil();
    EXPECT_EQ(1900, t.year);
    EXPECT_EQ(1, t.month);
    EXPECT_EQ(1, t.day);
    EXPECT_EQ(1, t.dayOfWeek);
    EXPECT_EQ(0, t.hour + t.minute + t.second + t.millisecond);
}

TEST(NtpTimestampTest, MillisecondFractionsFollowTheTable) {
    EXPECT_EQ(2147483648u, MillisecondFraction(500));
    EXPECT_EQ(4294967u, MillisecondFraction(1));
    EXPECT_EQ(2147483648u, NtpTimestamp::FromCivil(Utc(2020, 5, 5, 1, 2, 3, 500)).Fraction());
    EXPECT_EQ(500, NtpTimestamp(0, 2147483648u).ToCivil().millisecond);
    for (int ms = 0; ms < 1000; ++ms) {
        ASSERT_EQ(static_cast<uint32_t>(std::llround(ms * 4294967296.0 / 1000)), MillisecondFraction(ms));
        // Full-resolution readings at whole milliseconds give exactly the table.
        ASSERT_EQ(MillisecondFraction(ms),
                  NtpTimestamp::FromWallTime(WallTime{0, ms * 1'000'000}).Fraction());
        ASSERT_EQ(ms, NtpTimestamp(5, MillisecondFraction(ms)).ToCivil().millisecond);
    }
    EXPECT_EQ(static_cast<uint32_t>(std::llround(123456789 * 4294967296.0 / 1e9)),
              NtpTimestamp::FromWallTime(WallTime{0, 123456789}).Fraction());
}

TEST(NtpTimestampTest, FractionNearTheNextSecondCarries) {
    // 1999-12-31 23:59:59 and 0.9996 s: rounds to the next day's midnight, not 1000 ms.
    const NtpTimestamp t(NtpTimestamp::FromCivil(Utc(1999, 12, 31, 23, 59, 59)).Seconds(), 0xFFFF0000u);
    const CivilTime c = t.ToCivil();
    EXPECT_EQ(2000, c.year);
    EXPECT_EQ(1, c.month);
    EXPECT_EQ(1, c.day);
    EXPECT_EQ(0, c.hour + c.minute + c.second + c.millisecond);
    EXPECT_EQ(6, c.dayOfWeek);
    EXPECT_EQ((WallTime{946684800, 0}), NtpTimestamp(t.Seconds(), 0xFFFFFFFFu).ToWallTime());
}

TEST(NtpTimestampTest, AddAndDifference) {
    const NtpTimestamp t(3'900'000'000u, 0x10000000u);
    EXPECT_EQ(t.Raw() - 1073741823u, t.AddSeconds(-0.25).Raw());
    EXPECT_EQ(t.Raw() + (uint64_t{2} << 32) + 2147483647u, t.AddSeconds(2.5).Raw());
    EXPECT_EQ(0.0, NtpTimestamp::Difference(t, t));
    const NtpTimestamp u = t.AddSeconds(12.345);
    EXPECT_NEAR(12.345, NtpTimestamp::Difference(u, t), 1e-9);
    EXPECT_EQ(-NtpTimestamp::Difference(u, t), NtpTimestamp::Difference(t, u));
    // The fraction scale is 2^32 - 1: a whole fraction word is one second exactly.
    EXPECT_EQ(1.0, NtpTimestamp::Difference(NtpTimestamp(0, 0xFFFFFFFFu), NtpTimestamp()));
}

TEST(NtpTimestampTest, WireFormIsBigEndianWords) {
    uint8_t wire[8];
    // A time after the 2036 wrap writes the low seconds word; read back, a word below 2^31
    // stands for that era.
    NtpTimestamp(NtpTimestamp::kEraSeconds + 0x01020304u, 0x05060708u).ToWire(wire);
    const uint8_t expected[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(0, std::memcmp(expected, wire, 8));
    EXPECT_EQ(NtpTimestamp(NtpTimestamp::kEraSeconds + 0x01020304u, 0x05060708u),
              NtpTimestamp::FromWire(wire));
    const uint8_t zero[8] = {};
    EXPECT_EQ(NtpTimestamp(), NtpTimestamp::FromWire(zero));
}

TEST(NtpTimestampTest, SecondsWrapIn2036AndTheEraFollows) {
    // 2036-02-07 06:28:16 UTC is where the seconds word wraps to 0.
    const NtpTimestamp wrap = NtpTimestamp::FromCivil(Utc(2036, 2, 7, 6, 28, 16));
    EXPECT_EQ(NtpTimestamp::kEraSeconds, wrap.Seconds());
    const NtpTimestamp before = wrap.AddSeconds(-1.5);
    const NtpTimestamp after = ThroughWire(wrap.AddSeconds(0.5));
    EXPECT_EQ(wrap.AddSeconds(0.5), after);
    EXPECT_NEAR(2.0, NtpTimestamp::Difference(after, ThroughWire(before)), 1e-9);
    const CivilTime c = after.ToCivil();
    EXPECT_EQ(2036, c.year);
    EXPECT_EQ(2, c.month);
    EXPECT_EQ(7, c.day);
    EXPECT_EQ(6, c.hour);
    EXPECT_EQ(16, c.second);
    EXPECT_EQ(500, c.millisecond);
}

TEST(NtpTimestampTest, AgreesWithTheCalendarFrom1968To2104) {
    // Every conversion against plain calendar arithmetic, through the wire form, across both eras
    // and past 2038.
    for (int64_t s = -50000000; s < 4'200'000'000; s += 86400 * 13 + 4321) {
        const WallTime wall{s, 250'000'000};
        const NtpTimestamp t = NtpTimestamp::FromWallTime(wall);
        ASSERT_EQ(static_cast<uint64_t>(s + NtpTimestamp::kUnixEpoch), t.Seconds());
        ASSERT_EQ(t, ThroughWire(t)) << s;
        ASSERT_EQ(calendar::CivilFromUnix(s, 250'000'000), t.ToCivil()) << s;
        ASSERT_EQ(wall, t.ToWallTime());
    }
    const CivilTime y2038 = NtpTimestamp::FromWallTime(WallTime{2147483648, 0}).ToCivil();
    EXPECT_EQ(2038, y2038.year);
    EXPECT_EQ(19, y2038.day);
    EXPECT_EQ(8, y2038.second);
    const CivilTime y2100 = NtpTimestamp::FromCivil(Utc(2100, 2, 28, 23, 59, 59)).AddSeconds(1).ToCivil();
    EXPECT_EQ(3, y2100.month);  // 2100 is no leap year
    EXPECT_EQ(1, y2100.day);
}
