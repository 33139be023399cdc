#include "platform/clock.h"

#include <cerrno>
#include <cstring>
#include <ctime>

namespace platform {

namespace {

constexpr int64_t kNanosPerSecond = 1'000'000'000;

}  // namespace

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
    return calendar::CivilFromUnix(now.seconds + calendar::kKoreaUtcOffsetSeconds, now.nanoseconds);
}

WallTime SystemClock::NowUtc() const {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return WallTime{ts.tv_sec, static_cast<int32_t>(ts.tv_nsec)};
}

ClockSetResult Clock::Shift(int64_t microseconds, Prompt) {
    errno = 0;
    if (SetUtc(calendar::AddNanoseconds(NowUtc(), microseconds * 1000)))
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
