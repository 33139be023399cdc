#include "timeservices/ntp_timestamp.h"

#include <cmath>

namespace {

constexpr std::array<uint32_t, 1000> MakeFractionTable() {
    std::array<uint32_t, 1000> table{};
    for (uint64_t ms = 0; ms < 1000; ++ms)
        table[ms] = static_cast<uint32_t>(((ms << 32) + 500) / 1000);
    return table;
}

constexpr std::array<uint32_t, 1000> kFractionTable = MakeFractionTable();
static_assert(kFractionTable[500] == 2147483648u);
static_assert(kFractionTable[1] == 4294967u);

constexpr int64_t kJdn1900 = 2415021;

uint32_t ReadBig32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

void WriteBig32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v >> 24);
    p[1] = static_cast<uint8_t>(v >> 16);
    p[2] = static_cast<uint8_t>(v >> 8);
    p[3] = static_cast<uint8_t>(v);
}

// (seconds, fraction) as one 96-bit quantity: a - b for a >= b.
NtpTimestamp Subtract(const NtpTimestamp& a, const NtpTimestamp& b) {
    const bool borrow = a.Fraction() < b.Fraction();
    return NtpTimestamp(a.Seconds() - b.Seconds() - (borrow ? 1 : 0), a.Fraction() - b.Fraction());
}

}  // namespace

uint32_t MillisecondFraction(int milliseconds) {
    return kFractionTable.at(static_cast<size_t>(milliseconds));
}

NtpTimestamp NtpTimestamp::FromClock(const platform::Clock& clock) {
    return FromWallTime(clock.NowUtc());
}

NtpTimestamp NtpTimestamp::FromWallTime(platform::WallTime t) {
    return FromCivil(platform::CivilFromUnix(t.seconds, t.nanoseconds), t.nanoseconds);
}

NtpTimestamp NtpTimestamp::FromCivil(const platform::CivilTime& utc, int32_t nanoseconds) {
    int64_t y = utc.year;
    int64_t m = utc.month;
    if (m > 2) {
        m -= 3;
    } else {
        m += 9;
        y -= 1;
    }
    const int64_t c = y / 100;
    const int64_t a = y - 100 * c;
    const int64_t jdn = (146097 * c) / 4 + (1461 * a) / 4 + (153 * m + 2) / 5 + utc.day + 1721119;
    const int64_t days = jdn - kJdn1900;
    const int64_t seconds = ((days * 24 + utc.hour) * 60 + utc.minute) * 60 + utc.second;

    uint32_t fraction;
    if (nanoseconds % 1'000'000 == 0) {
        fraction = kFractionTable[static_cast<size_t>(nanoseconds / 1'000'000)];
    } else {
        fraction =
            static_cast<uint32_t>(((static_cast<uint64_t>(nanoseconds) << 32) + 500'000'000) / 1'000'000'000);
    }
    return NtpTimestamp(static_cast<uint64_t>(seconds), fraction);
}

void NtpTimestamp::ToWire(uint8_t* out) const {
    WriteBig32(out, static_cast<uint32_t>(seconds_));  // the era is implied by the value
    WriteBig32(out + 4, fraction_);
}

NtpTimestamp NtpTimestamp::FromWire(const uint8_t* in) {
    const uint32_t seconds = ReadBig32(in);
    const uint32_t fraction = ReadBig32(in + 4);
    // All zero is "no time" (what a short or empty reply leaves), not a moment of 2036.
    if (seconds == 0 && fraction == 0)
        return NtpTimestamp();
    const uint64_t era = seconds < 0x80000000u ? kEraSeconds : 0;
    return NtpTimestamp(era + seconds, fraction);
}

platform::CivilTime NtpTimestamp::ToCivil() const {
    uint64_t s = seconds_;
    int ms = static_cast<int>(fraction_ * 1000.0 / kFractionScale + 0.5);
    if (ms >= 1000) {  // within half a millisecond of the next second
        ms -= 1000;
        s += 1;
    }
    platform::CivilTime t;
    t.second = static_cast<int>(s % 60);
    t.minute = static_cast<int>(s / 60 % 60);
    t.hour = static_cast<int>(s / 3600 % 24);
    const int64_t jdn = static_cast<int64_t>(s / 86400) + kJdn1900;
    t.dayOfWeek = static_cast<int>((jdn + 1) % 7);

    const int64_t tt = 4 * jdn - 6884477;
    const int64_t c = tt / 146097;
    const int64_t r = (tt - 146097 * c) / 4;
    const int64_t u = 4 * r;
    const int64_t y = (u + 3) / 1461;
    const int64_t e = (u - 1461 * y + 7) / 4;
    const int64_t v = 5 * e;
    const int64_t m = (v - 3) / 153;
    t.day = static_cast<int>(((v - 3) % 153 + 5) / 5);
    int64_t year = 100 * c + y;
    if (m < 10) {
        t.month = static_cast<int>(m + 3);
    } else {
        t.month = static_cast<int>(m - 9);
        year += 1;
    }
    t.year = static_cast<int>(year);
    t.millisecond = ms;
    return t;
}

platform::WallTime NtpTimestamp::ToWallTime() const {
    int64_t ns = static_cast<int64_t>(
        ((static_cast<uint64_t>(fraction_) * 1'000'000'000) + (uint64_t{1} << 31)) >> 32);
    int64_t seconds = static_cast<int64_t>(seconds_) - kUnixEpoch;
    if (ns >= 1'000'000'000) {
        ns -= 1'000'000'000;
        seconds += 1;
    }
    return platform::WallTime{seconds, static_cast<int32_t>(ns)};
}

double NtpTimestamp::Difference(const NtpTimestamp& a, const NtpTimestamp& b) {
    if (a >= b) {
        const NtpTimestamp d = Subtract(a, b);
        return static_cast<double>(d.Seconds()) + d.Fraction() / kFractionScale;
    }
    return -Difference(b, a);
}

NtpTimestamp NtpTimestamp::AddSeconds(double x) const {
    double whole = 0;
    const double part = std::modf(std::fabs(x), &whole);
    const NtpTimestamp delta(static_cast<uint64_t>(whole),
                             static_cast<uint32_t>(std::trunc(part * kFractionScale)));
    if (x >= 0) {
        const uint64_t fraction = uint64_t{fraction_} + delta.Fraction();
        return NtpTimestamp(seconds_ + delta.Seconds() + (fraction >> 32), static_cast<uint32_t>(fraction));
    }
    if (*this < delta)
        return NtpTimestamp();
    return Subtract(*this, delta);
}
