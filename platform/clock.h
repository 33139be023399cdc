#pragma once

#include <cstdint>

#include "calendar/civil_time.h"
#include "platform/clock_setting.h"

namespace platform {

// The clock reads and converts in the calendar's terms.
using calendar::CivilTime;
using calendar::WallTime;

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
