#pragma once

#include <compare>
#include <cstdint>

#include "platform/clock_setting.h"

namespace platform {

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

// Pure calendar arithmetic on the proleptic Gregorian calendar, independent of TZ.
CivilTime CivilFromUnix(int64_t seconds, int32_t nanoseconds = 0);
int64_t UnixFromCivil(const CivilTime& t);  // ignores dayOfWeek and millisecond

WallTime AddSeconds(WallTime t, int64_t seconds);
WallTime AddNanoseconds(WallTime t, int64_t nanoseconds);

// The PC clock. Reads are safe from any thread. Set* report failure with false and errno.
class Clock {
public:
    virtual ~Clock() = default;

    virtual WallTime NowUtc() const = 0;
    virtual bool SetUtc(WallTime t) = 0;
    // Moves the clock by `microseconds`: every synchronisation and offset goes this way. By
    // default a SetUtc of the time read now plus the change (a refused right is EPERM).
    virtual ClockSetResult Shift(int64_t microseconds, Prompt prompt);

    // Local time in the PC's own time zone.
    virtual CivilTime ToLocal(int64_t unixSeconds) const = 0;
    virtual int64_t FromLocal(const CivilTime& local) const = 0;

    CivilTime NowLocal() const;
    // Sets UTC to the given local time, converted with the current time zone.
    bool SetLocal(const CivilTime& local);
};

// Korean standard time (UTC+9), whatever time zone the PC is set to.
CivilTime KoreanStandardTime(const Clock& clock);

// The real clock: clock_gettime on CLOCK_REALTIME and the process's TZ. Setting goes through
// ShiftSystemClock (the time service, or the process's own right without one); SetUtc is the
// change from the time read now, never prompting.
class SystemClock final : public Clock {
public:
    WallTime NowUtc() const override;
    bool SetUtc(WallTime t) override;
    ClockSetResult Shift(int64_t microseconds, Prompt prompt) override;
    CivilTime ToLocal(int64_t unixSeconds) const override;
    int64_t FromLocal(const CivilTime& local) const override;
};

}  // namespace platform
