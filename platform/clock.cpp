#include "platform/clock.h"

#include <cerrno>
#include <cstring>
#include <ctime>

namespace platform {

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
    t.dayOfWeek = static_cast<int>(days + 4 - FloorDiv(days + 4, 7) * 7);  // 1970-01-01 was a Thursday
    t.hour = static_cast<int>(rem / 3600);
    t.minute = static_cast<int>(rem / 60 % 60);
    t.second = static_cast<int>(rem % 60);
    t.millisecond = nanoseconds / 1'000'000;
    return t;
}

int64_t UnixFromCivil(const CivilTime& t) {
    return DaysFromCivil(t.year, t.month, t.day) * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
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

CivilTime Clock::NowLocal() const {
    const WallTime now = NowUtc();
    CivilTime local = ToLocal(now.seconds);
    local.millisecond = now.nanoseconds / 1'000'000;
    return local;
}

bool Clock::SetLocal(const CivilTime& local) {
    return SetUtc(WallTime{FromLocal(local), local.millisecond * 1'000'000});
}

CivilTime KoreanStandardTime(const Clock& clock) {
    const WallTime now = clock.NowUtc();
    return CivilFromUnix(now.seconds + kKoreaUtcOffsetSeconds, now.nanoseconds);
}

WallTime SystemClock::NowUtc() const {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return WallTime{ts.tv_sec, static_cast<int32_t>(ts.tv_nsec)};
}

ClockSetResult Clock::Shift(int64_t microseconds, Prompt) {
    errno = 0;
    if (SetUtc(AddNanoseconds(NowUtc(), microseconds * 1000)))
        return {};
    const int error = errno;
    ClockSetResult result;
    result.failure = error == EPERM ? ClockSetFailure::NoServiceNoRight : ClockSetFailure::Other;
    result.detail = std::strerror(error);
    return result;
}

bool SystemClock::SetUtc(WallTime t) {
    if (t.nanoseconds < 0 || t.nanoseconds >= kNanosPerSecond) {
        errno = EINVAL;
        return false;
    }
    const WallTime now = NowUtc();
    const int64_t change = (t.seconds - now.seconds) * 1'000'000 + (t.nanoseconds - now.nanoseconds) / 1000;
    const ClockSetResult result = ShiftSystemClock(change, Prompt::Never);
    if (result.Ok())
        return true;
    errno = result.failure == ClockSetFailure::Other ? EIO : EPERM;
    return false;
}

ClockSetResult SystemClock::Shift(int64_t microseconds, Prompt prompt) {
    return ShiftSystemClock(microseconds, prompt);
}

CivilTime SystemClock::ToLocal(int64_t unixSeconds) const {
    const time_t tt = static_cast<time_t>(unixSeconds);
    tm parts{};
    localtime_r(&tt, &parts);
    CivilTime t;
    t.year = parts.tm_year + 1900;
    t.month = parts.tm_mon + 1;
    t.dayOfWeek = parts.tm_wday;
    t.day = parts.tm_mday;
    t.hour = parts.tm_hour;
    t.minute = parts.tm_min;
    t.second = parts.tm_sec;
    return t;
}

int64_t SystemClock::FromLocal(const CivilTime& local) const {
    tm parts{};
    parts.tm_year = local.year - 1900;
    parts.tm_mon = local.month - 1;
    parts.tm_mday = local.day;
    parts.tm_hour = local.hour;
    parts.tm_min = local.minute;
    parts.tm_sec = local.second;
    parts.tm_isdst = -1;
    return mktime(&parts);
}

}  // namespace platform
