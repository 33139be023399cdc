#include <gtest/gtest.h>

#include <string>

#include "world/info_text.h"

namespace {

using calendar::MakeCivilTime;

int64_t Korean(int year, int month, int day, int hour) {
    return calendar::UnixFromCivil(MakeCivilTime(year, month, day, hour));
}

struct InfoCase {
    const char* what;
    world::Region region;
    int64_t korean;
    std::string expected;
};

void PrintTo(const InfoCase& c, std::ostream* os) {
    *os << c.what;
}

class InformationTextTest : public testing::TestWithParam<InfoCase> {};

TEST_P(InformationTextTest, SaysOffsetAndDaylightSaving) {
    EXPECT_EQ(world::InformationText(GetParam().region, GetParam().korean), GetParam().expected);
}

const std::string kNoDst = "\n이 지역은 써머타임을 적용하지 않습니다.";

INSTANTIATE_TEST_SUITE_P(
    Sentences, InformationTextTest,
    testing::Values(
        InfoCase{"-90",
                 {"r", -90, 0, 0},
                 Korean(2026, 1, 1, 12),
                 "선택하신 지역은 한국보다 1시 30분이 늦은 지역입니다." + kNoDst},
        InfoCase{"-30",
                 {"r", -30, 0, 0},
                 Korean(2026, 1, 1, 12),
                 "선택하신 지역은 한국보다 0시 30분이 늦은 지역입니다." + kNoDst},
        InfoCase{"570",
                 {"r", 570, 0, 0},
                 Korean(2026, 1, 1, 12),
                 "선택하신 지역은 한국보다 9시 30분이 빠른 지역입니다." + kNoDst},
        InfoCase{"0",
                 {"r", 0, 0, 0},
                 Korean(2026, 1, 1, 12),
                 "선택하신 지역은 한국과 같은 시간대 지역 입니다" + kNoDst},
        InfoCase{"UTC",
                 {"UTC", -540, 0, 0},
                 Korean(2026, 1, 1, 12),
                 "선택하신 지역은 한국보다 9시 0분이 늦은 지역입니다." + kNoDst},
        InfoCase{"unknown",
                 {"r", 60, -1, 0},
                 Korean(2026, 1, 1, 12),
                 "선택하신 지역은 한국보다 1시 0분이 빠른 지역입니다.\n"
                 "이 지역은 아직 써머타임 적용여부가 확인 되지 않았습니다."},
        InfoCase{
            "in daylight saving",
            {"paris", -480, 2, 1},
            Korean(2003, 7, 1, 12),
            "선택하신 지역은 한국보다 8시 0분이 늦은 지역입니다.현재시각은 써머타임이 적용된 시각입니다.\n"
            "현지시간 기준 3월 마지막 일요일 오전 2시부터 10월 마지막 일요일 오전 2시까지 써머타임 적용기간 "
            "입니다."},
        InfoCase{"out of daylight saving",
                 {"paris", -480, 2, 1},
                 Korean(2003, 1, 10, 12),
                 "선택하신 지역은 한국보다 8시 0분이 늦은 지역입니다.\n"
                 "써머타임을 적용하는 지역이지만 현재 써머타임 적용기간이 아닙니다."},
        InfoCase{"an end rule this program does not know",
                 {"r", -480, 2, 99},
                 Korean(2003, 7, 1, 12),
                 "선택하신 지역은 한국보다 8시 0분이 늦은 지역입니다.\n"
                 "써머타임을 적용하는 지역이지만 현재 써머타임 적용기간이 아닙니다."},
        // 10:00 on 8 March in Korea is still the 7th, 20:00 EST, in New York: not yet begun,
        // though 8 March 10:00 read as the region's time would be past the 02:00 start.
        InfoCase{"judged at the region's own date",
                 {"new york", -840, 14, 11},
                 Korean(2026, 3, 8, 10),
                 "선택하신 지역은 한국보다 14시 0분이 늦은 지역입니다.\n"
                 "써머타임을 적용하는 지역이지만 현재 써머타임 적용기간이 아닙니다."},
        InfoCase{
            "the new rules' phrases",
            {"new york", -840, 14, 11},
            Korean(2026, 7, 1, 12),
            "선택하신 지역은 한국보다 14시 0분이 늦은 지역입니다.현재시각은 써머타임이 적용된 시각입니다.\n"
            "현지시간 기준 3월 둘째 일요일 오전 2시부터 11월 첫째 일요일 오전 1시까지 써머타임 적용기간 "
            "입니다."}));

}  // namespace
