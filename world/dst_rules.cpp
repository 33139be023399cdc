#include "world/dst_rules.h"

#include <array>
#include <cstdint>

namespace world {
namespace {

// How a rule picks its day in the month.
enum class Pick {
    kLast,       // the last `weekday` of the month
    kOnOrAfter,  // the first `weekday` on or after `day`
    kFixed,      // `day` itself
};

constexpr int kSun = 0;
constexpr int kThu = 4;
constexpr int kFri = 5;

struct Rule {
    int month;
    Pick pick;
    int day;
    int weekday;
    // From midnight of the picked day, local standard time; negative for the evening before.
    int minutes;
    // Start rules: daylight saving begins in the autumn and lasts into the next year.
    // End rules: daylight saving ends at the instant instead of lasting through it.
    bool flag;
    std::string_view phrase;
};

// "After day D" in a phrase means from D + 1 on, hence kOnOrAfter D + 1.
constexpr std::array<Rule, kStartRuleCount> kStartRules{{
    {4, Pick::kOnOrAfter, 1, kSun, 120, false, "현지시간 기준 4월 첫째 일요일 오전 2시부터 "},
    {3, Pick::kLast, 0, kSun, 120, false, "현지시간 기준 3월 마지막 일요일 오전 2시부터 "},
    {3, Pick::kLast, 0, kSun, 60, false, "현지시간 기준 3월 마지막 일요일 오전 1시부터 "},
    {3, Pick::kLast, 0, kSun, 180, false, "현지시간 기준 3월 마지막 일요일 오전 3시부터 "},
    {3, Pick::kLast, 0, kSun, 0, false, "현지시간 기준 3월 마지막 일요일 오전 0시부터 "},
    {10, Pick::kOnOrAfter, 2, kSun, 0, true, "현지시간 기준 10월 1일 후 첫번째 일요일부터 "},
    {4, Pick::kLast, 0, kSun, 120, false, "현지시간 기준 4월 마지막 일요일 오전 2시부터 "},
    {10, Pick::kOnOrAfter, 10, kSun, 0, true, "현지시간 기준 10월 9일이 지난후 첫번째 일요일부터 "},
    {4, Pick::kFixed, 1, kSun, 0, false, "현지시간 기준 4월 1일 0시부터 "},
    {3, Pick::kFixed, 29, kSun, 0, false, "현지시간 기준 3월 29일 0시부터 "},
    {5, Pick::kFixed, 1, kSun, 0, false, "현지시간 기준 5월 1일 0시부터 "},
    {10, Pick::kLast, 0, kSun, 120, true, "현지시간 기준 10월 마지막 일요일 오전 2시부터 "},
    {10, Pick::kOnOrAfter, 1, kSun, 0, true, "현지시간 기준 10월 첫번째 일요일부터 "},
    // 14 on: the rules in force today.
    {3, Pick::kOnOrAfter, 8, kSun, 120, false, "현지시간 기준 3월 둘째 일요일 오전 2시부터 "},
    {3, Pick::kOnOrAfter, 8, kSun, 0, false, "현지시간 기준 3월 둘째 일요일 오전 0시부터 "},
    {3, Pick::kLast, 0, kSun, -60, false, "현지시간 기준 3월 마지막 일요일 전날 오후 11시부터 "},
    {3, Pick::kLast, 0, kSun, -2 * 1440 + 120, false,
     "현지시간 기준 3월 마지막 일요일 전 금요일 오전 2시부터 "},
    {4, Pick::kLast, 0, kFri, 0, false, "현지시간 기준 4월 마지막 금요일 오전 0시부터 "},
    {9, Pick::kOnOrAfter, 2, kSun, 0, true, "현지시간 기준 9월 1일 후 첫번째 일요일 오전 0시부터 "},
    {9, Pick::kOnOrAfter, 2, kSun, -120, true, "현지시간 기준 9월 1일 후 첫번째 일요일 전날 오후 10시부터 "},
    {10, Pick::kOnOrAfter, 1, kSun, 120, true, "현지시간 기준 10월 첫째 일요일 오전 2시부터 "},
    {9, Pick::kLast, 0, kSun, 120, true, "현지시간 기준 9월 마지막 일요일 오전 2시부터 "},
    {9, Pick::kLast, 0, kSun, 165, true, "현지시간 기준 9월 마지막 일요일 오전 2시 45분부터 "},
}};

constexpr std::array<Rule, kEndRuleCount> kEndRules{{
    {10, Pick::kLast, 0, kSun, 120, false, "10월 마지막 일요일 오전 2시까지 써머타임 적용기간 입니다."},
    {10, Pick::kLast, 0, kSun, 180, false, "10월 마지막 일요일 오전 3시까지 써머타임 적용기간 입니다."},
    {10, Pick::kLast, 0, kSun, 0, false, "10월 마지막 일요일 오전 0시까지 써머타임 적용기간 입니다."},
    {10, Pick::kLast, 0, kSun, 60, false, "10월 마지막 일요일 오전 1시까지 써머타임 적용기간 입니다."},
    {2, Pick::kOnOrAfter, 12, kSun, 0, false,
     "2월 11일이 지난 후 첫번째 일요일까지 써머타임 적용기간 입니다."},
    {3, Pick::kOnOrAfter, 10, kSun, 0, false,
     "3월 9일이 지난 후 첫번째 일요일까지 써머타임 적용기간 입니다."},
    {10, Pick::kFixed, 1, kSun, 0, false, "10월 1일 오전 0시까지 써머타임 적용기간 입니다."},
    {9, Pick::kFixed, 6, kSun, 0, false, "9월 6일 오전 0시까지 써머타임 적용기간 입니다."},
    {3, Pick::kLast, 0, kSun, 120, false, "3월 마지막 일요일 오전 2시까지 써머타임 적용기간 입니다."},
    {3, Pick::kOnOrAfter, 16, kSun, 0, false, "3월 15일 후 첫째 일요일까지 써머타임 적용기간 입니다."},
    // 11 on: daylight saving ends at the instant.
    {11, Pick::kOnOrAfter, 1, kSun, 60, true, "11월 첫째 일요일 오전 1시까지 써머타임 적용기간 입니다."},
    {11, Pick::kOnOrAfter, 1, kSun, 0, true, "11월 첫째 일요일 오전 0시까지 써머타임 적용기간 입니다."},
    {10, Pick::kLast, 0, kSun, 60, true, "10월 마지막 일요일 오전 1시까지 써머타임 적용기간 입니다."},
    {10, Pick::kLast, 0, kSun, 120, true, "10월 마지막 일요일 오전 2시까지 써머타임 적용기간 입니다."},
    {10, Pick::kLast, 0, kSun, 180, true, "10월 마지막 일요일 오전 3시까지 써머타임 적용기간 입니다."},
    {10, Pick::kLast, 0, kSun, 0, true, "10월 마지막 일요일 오전 0시까지 써머타임 적용기간 입니다."},
    {10, Pick::kLast, 0, kSun, -60, true, "10월 마지막 일요일 전날 오후 11시까지 써머타임 적용기간 입니다."},
    {10, Pick::kLast, 0, kThu, 23 * 60, true, "10월 마지막 목요일 오후 11시까지 써머타임 적용기간 입니다."},
    {4, Pick::kOnOrAfter, 2, kSun, -60, true,
     "4월 1일 후 첫번째 일요일 전날 오후 11시까지 써머타임 적용기간 입니다."},
    {4, Pick::kOnOrAfter, 2, kSun, -180, true,
     "4월 1일 후 첫번째 일요일 전날 오후 9시까지 써머타임 적용기간 입니다."},
    {4, Pick::kOnOrAfter, 1, kSun, 120, true, "4월 첫째 일요일 오전 2시까지 써머타임 적용기간 입니다."},
    {4, Pick::kOnOrAfter, 1, kSun, 165, true, "4월 첫째 일요일 오전 2시 45분까지 써머타임 적용기간 입니다."},
}};

int64_t DayStart(int year, int month, int day) {
    return calendar::UnixFromCivil(calendar::MakeCivilTime(year, month, day));
}

// The rule's instant in `year`, as seconds on the calendar line of local standard time.
int64_t Instant(const Rule& rule, int year) {
    int64_t day = 0;
    switch (rule.pick) {
        case Pick::kFixed:
            day = DayStart(year, rule.month, rule.day);
            break;
        case Pick::kLast: {
            const int last = calendar::DaysInMonth(year, rule.month);
            const int back = (calendar::DayOfWeek(year, rule.month, last) - rule.weekday + 7) % 7;
            day = DayStart(year, rule.month, last - back);
            break;
        }
        case Pick::kOnOrAfter: {
            const int ahead = (rule.weekday - calendar::DayOfWeek(year, rule.month, rule.day) + 7) % 7;
            day = DayStart(year, rule.month, rule.day + ahead);
            break;
        }
    }
    return day + int64_t{rule.minutes} * 60;
}

}  // namespace

bool IsStartRule(int rule) {
    return rule >= 1 && rule <= kStartRuleCount;
}

bool IsEndRule(int rule) {
    return rule >= 1 && rule <= kEndRuleCount;
}

bool IsDaylightSaving(int startRule, int endRule, const calendar::CivilTime& t) {
    if (!IsStartRule(startRule) || !IsEndRule(endRule))
        return false;
    const Rule& start = kStartRules[static_cast<size_t>(startRule - 1)];
    const Rule& end = kEndRules[static_cast<size_t>(endRule - 1)];
    const int64_t at = calendar::UnixFromCivil(t);
    const int64_t s = Instant(start, t.year);
    const int64_t e = Instant(end, t.year) - (end.flag ? 1 : 0);
    if (start.flag) {
        const int64_t yearFirst = DayStart(t.year, 1, 1);
        const int64_t yearLast = DayStart(t.year + 1, 1, 1) - 1;
        return (yearFirst <= at && at <= e) || (s <= at && at <= yearLast);
    }
    return s <= at && at <= e;
}

std::string_view StartRulePhrase(int rule) {
    return IsStartRule(rule) ? kStartRules[static_cast<size_t>(rule - 1)].phrase : std::string_view{};
}

std::string_view EndRulePhrase(int rule) {
    return IsEndRule(rule) ? kEndRules[static_cast<size_t>(rule - 1)].phrase : std::string_view{};
}

}  // namespace world
