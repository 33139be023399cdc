#pragma once

#include <compare>
#include <cstdint>

// Calendar arithmetic on the proleptic Gregorian calendar: pure functions of their arguments,
// independent of TZ and of any clock.
namespace calendar {

// An instant on the UTC time line: seconds since 1970-01-01 00:00:00 UTC plus nanoseconds.
struct WallTime {
    int64_t seconds = 0;
    int32_t nanoseconds = 0;  // 0..999'999'999

    friend bool operator==(const WallTime&, const WallTime&) = default;
    friend auto operator<=>(const WallTime&, const WallTime&) = default;
};

// A broken-down calendar time: year, month, day, weekday, hour, minute, second, milliseconds.
struct CivilTime {
    int year = 1970;
    int month = 1;      // 1..12
    int dayOfWeek = 4;  // 0 = Sunday
    int day = 1;        // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;

    friend bool operator==(const CivilTime&, const CivilTime&) = default;
};

// A calendar time from its fields; dayOfWeek stays 0 (nothing that converts from it reads it).
constexpr CivilTime MakeCivilTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
                                  int millisecond = 0) {
    return CivilTime{year, month, 0, day, hour, minute, second, millisecond};
}

constexpr int64_t kKoreaUtcOffsetSeconds = 32400;

CivilTime CivilFromUnix(int64_t seconds, int32_t nanoseconds = 0);
int64_t UnixFromCivil(const CivilTime& t);  // ignores dayOfWeek and millisecond

// 0 = Sunday; a day past the end of its month counts on into the next, as in UnixFromCivil.
int DayOfWeek(int year, int month, int day);
int DaysInMonth(int year, int month);  // month 1..12

WallTime AddSeconds(WallTime t, int64_t seconds);
WallTime AddNanoseconds(WallTime t, int64_t nanoseconds);

}  // namespace calendar
