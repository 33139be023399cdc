#include "calendar/civil_time.h"

namespace calendar {

namespace {

constexpr int64_t kNanosPerSecond = 1'000'000'000;

int64_t FloorDiv(int64_t a, int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
    y -= m <= 2;
    const int64_t era = FloorDiv(y, 400);
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

int WeekdayOfDays(int64_t days) {
    return static_cast<int>(days + 4 - FloorDiv(days + 4, 7) * 7);  // 1970-01-01 was a Thursday
}

}  // namespace

CivilTime CivilFromUnix(int64_t seconds, int32_t nanoseconds) {
    const int64_t days = FloorDiv(seconds, 86400);
    const int64_t rem = seconds - days * 86400;
    const int64_t z = days + 719468;
    const int64_t era = FloorDiv(z, 146097);
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    CivilTime t;
    t.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    t.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    t.year = static_cast<int>(yoe + era * 400 + (t.month <= 2));
    t.dayOfWeek = WeekdayOfDays(days);
    t.hour = static_cast<int>(rem / 3600);
    t.minute = static_cast<int>(rem / 60 % 60);
    t.second = static_cast<int>(rem % 60);
    t.millisecond = nanoseconds / 1'000'000;
    return t;
}

int64_t UnixFromCivil(const CivilTime& t) {
    return DaysFromCivil(t.year, t.month, t.day) * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
}

int DayOfWeek(int year, int month, int day) {
    return WeekdayOfDays(DaysFromCivil(year, month, day));
}

int DaysInMonth(int year, int month) {
    static constexpr int kLengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kLengths[month - 1];
}

WallTime AddSeconds(WallTime t, int64_t seconds) {
    t.seconds += seconds;
    return t;
}

WallTime AddNanoseconds(WallTime t, int64_t nanoseconds) {
    const int64_t total = t.nanoseconds + nanoseconds;
    t.seconds += FloorDiv(total, kNanosPerSecond);
    t.nanoseconds = static_cast<int32_t>(total - FloorDiv(total, kNanosPerSecond) * kNanosPerSecond);
    return t;
}

}  // namespace calendar
