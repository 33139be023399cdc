#include <gtest/gtest.h>

#include "world/dst_rules.h"
#include "world/region_table.h"

namespace {

using calendar::CivilTime;
using calendar::MakeCivilTime;

struct DstCase {
    int start;
    int end;
    CivilTime at;  // local standard time
    bool expected;
};

void PrintTo(const DstCase& c, std::ostream* os) {
    *os << c.start << "/" << c.end << " at " << c.at.year << "-" << c.at.month << "-" << c.at.day << " "
        << c.at.hour << ":" << c.at.minute << ":" << c.at.second;
}

class DstRuleTest : public testing::TestWithParam<DstCase> {};

TEST_P(DstRuleTest, InOrOutOfDaylightSaving) {
    const DstCase& c = GetParam();
    EXPECT_EQ(world::IsDaylightSaving(c.start, c.end, c.at), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    TableRules, DstRuleTest,
    testing::Values(
        // 2003, rules 2/1: from 30 March 02:00:00 to 26 October 02:00:00, both bounds included.
        DstCase{2, 1, MakeCivilTime(2003, 3, 30, 1, 59, 59), false},
        DstCase{2, 1, MakeCivilTime(2003, 3, 30, 2, 0, 0), true},
        DstCase{2, 1, MakeCivilTime(2003, 10, 26, 2, 0, 0), true},
        DstCase{2, 1, MakeCivilTime(2003, 10, 26, 2, 0, 1), false},
        // Autumn starts span the year's end: 13/10 in January and December, not in July.
        DstCase{13, 10, MakeCivilTime(2003, 1, 1, 0, 0, 0), true},
        DstCase{13, 10, MakeCivilTime(2003, 7, 15, 12, 0, 0), false},
        DstCase{13, 10, MakeCivilTime(2003, 12, 31, 23, 59, 59), true},
        // 13/10 in 2003: first Sunday of October is the 5th; first Sunday after 15 March the 16th.
        DstCase{13, 10, MakeCivilTime(2003, 10, 4, 23, 59, 59), false},
        DstCase{13, 10, MakeCivilTime(2003, 10, 5, 0, 0, 0), true},
        DstCase{13, 10, MakeCivilTime(2003, 3, 16, 0, 0, 0), true},
        DstCase{13, 10, MakeCivilTime(2003, 3, 16, 0, 0, 1), false},
        // "After day D" leaves D out even when it is a Sunday (1 October 2006, 9 October 2005).
        DstCase{6, 5, MakeCivilTime(2006, 10, 1, 12, 0, 0), false},
        DstCase{6, 5, MakeCivilTime(2006, 10, 8, 0, 0, 0), true},
        DstCase{13, 5, MakeCivilTime(2006, 10, 1, 0, 0, 0), true},
        DstCase{8, 5, MakeCivilTime(2005, 10, 9, 12, 0, 0), false},
        DstCase{8, 5, MakeCivilTime(2005, 10, 16, 0, 0, 0), true},
        // Fixed days.
        DstCase{9, 7, MakeCivilTime(2003, 3, 31, 23, 59, 59), false},
        DstCase{9, 7, MakeCivilTime(2003, 4, 1, 0, 0, 0), true},
        DstCase{9, 7, MakeCivilTime(2003, 10, 1, 0, 0, 0), true},
        DstCase{9, 7, MakeCivilTime(2003, 10, 1, 0, 0, 1), false},
        // -1, 0 and numbers beyond the tables never give daylight saving.
        DstCase{-1, 1, MakeCivilTime(2003, 7, 1), false}, DstCase{0, 1, MakeCivilTime(2003, 7, 1), false},
        DstCase{2, 0, MakeCivilTime(2003, 7, 1), false}, DstCase{24, 1, MakeCivilTime(2003, 7, 1), false},
        DstCase{2, 23, MakeCivilTime(2003, 7, 1), false},
        // Today's rules end at their instant: 2026, United States (14/11) and Egypt (18/18).
        DstCase{14, 11, MakeCivilTime(2026, 3, 8, 1, 59, 59), false},
        DstCase{14, 11, MakeCivilTime(2026, 3, 8, 2, 0, 0), true},
        DstCase{14, 11, MakeCivilTime(2026, 11, 1, 0, 59, 59), true},
        DstCase{14, 11, MakeCivilTime(2026, 11, 1, 1, 0, 0), false},
        DstCase{18, 18, MakeCivilTime(2026, 4, 24, 0, 0, 0), true},
        DstCase{18, 18, MakeCivilTime(2026, 10, 29, 22, 59, 59), true},
        DstCase{18, 18, MakeCivilTime(2026, 10, 29, 23, 0, 0), false},
        // The evening before: Israel's Friday start, Chile's Saturday-evening end.
        DstCase{17, 13, MakeCivilTime(2026, 3, 27, 2, 0, 0), true},
        DstCase{17, 13, MakeCivilTime(2026, 3, 27, 1, 59, 59), false},
        DstCase{19, 19, MakeCivilTime(2026, 4, 4, 22, 59, 59), true},
        DstCase{19, 19, MakeCivilTime(2026, 4, 4, 23, 0, 0), false},
        DstCase{19, 19, MakeCivilTime(2026, 9, 6, 0, 0, 0), true},
        // Chatham Islands, a quarter to three.
        DstCase{23, 22, MakeCivilTime(2026, 9, 27, 2, 44, 59), false},
        DstCase{23, 22, MakeCivilTime(2026, 9, 27, 2, 45, 0), true}));

// Korean time 2003-07-01 12:00:00 as seconds.
constexpr int64_t kJulyNoon = 1057060800;

TEST(RegionClock, ShiftsByTheOffsetAndAddsAnHourInDaylightSaving) {
    const world::Region paris{"paris", -480, 2, 1};
    EXPECT_EQ(world::RegionClockSeconds(&paris, kJulyNoon), kJulyNoon - 480 * 60 + 3600);
    const world::Region kathmandu{"kathmandu", -195, 0, 0};
    EXPECT_EQ(world::RegionClockSeconds(&kathmandu, kJulyNoon), kJulyNoon - 195 * 60);
    const world::Region chatham{"chatham", 225, 0, 0};
    EXPECT_EQ(world::RegionClockSeconds(&chatham, kJulyNoon), kJulyNoon + 225 * 60);
}

TEST(RegionClock, KoreanTimeWithoutRegionOrOffsetAndNoHourForUnknownRules) {
    EXPECT_EQ(world::RegionClockSeconds(nullptr, kJulyNoon), kJulyNoon);
    // Offset 0 is never tested, whatever its rules say (2/1 would be in daylight saving in July).
    const world::Region tokyo{"tokyo", 0, 2, 1};
    EXPECT_EQ(world::RegionClockSeconds(&tokyo, kJulyNoon), kJulyNoon);
    for (int start : {-1, 0, 99}) {
        const world::Region r{"r", -480, start, 1};
        EXPECT_EQ(world::RegionClockSeconds(&r, kJulyNoon), kJulyNoon - 480 * 60) << start;
    }
}

TEST(RegionClock, JudgesDaylightSavingAtTheRegionsStandardTime) {
    // New York (14/11) at 2026-03-08 16:00 Korean time is 02:00 EST: it has just begun.
    const world::Region newYork{"new york", -840, 14, 11};
    const int64_t korean = calendar::UnixFromCivil(MakeCivilTime(2026, 3, 8, 16, 0, 0));
    EXPECT_EQ(world::RegionClockTime(&newYork, korean), calendar::CivilFromUnix(korean - 840 * 60 + 3600));
    EXPECT_EQ(world::RegionClockTime(&newYork, korean - 1).hour, 1);
}

TEST(RegionTableTest, HoldsUtcFirstAndAtMostTenThousandEntries) {
    world::RegionTable table;
    ASSERT_EQ(table.Size(), 1);
    EXPECT_EQ(*table.Find(0), (world::Region{"UTC", -540, 0, 0}));
    EXPECT_EQ(table.Find(-1), nullptr);
    EXPECT_EQ(table.Find(1), nullptr);
    for (int i = 1; i < world::RegionTable::kCapacity; ++i)
        ASSERT_TRUE(table.Append(world::Region{"x", i, 0, 0}));
    EXPECT_FALSE(table.Append(world::Region{"one too many", 0, 0, 0}));
    EXPECT_EQ(table.Size(), world::RegionTable::kCapacity);
    EXPECT_EQ(table.Find(9999)->offset, 9999);
}

}  // namespace
