#include "sntp/ntp_timestamp.h"

#include <array>
#include <cmath>

#include "sntp/big_endian.h"

using sntp::detail::ReadBig32;
using sntp::detail::WriteBig32;

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

uint32_t FractionFromNanoseconds(int32_t nanoseconds) {
    if (nanoseconds % 1'000'000 == 0)
        return kFractionTable[static_cast<size_t>(nanoseconds / 1'000'000)];
    return static_cast<uint32_t>(((static_cast<uint64_t>(nanoseconds) << 32) + 500'000'000) / 1'000'000'000);
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

NtpTimestamp NtpTimestamp::FromWallTime(calendar::WallTime t) {
    return NtpTimestamp(static_cast<uint64_t>(t.seconds + kUnixEpoch),
                        FractionFromNanoseconds(t.nanoseconds));
}

NtpTimestamp NtpTimestamp::FromCivil(const calendar::CivilTime& utc, int32_t nanoseconds) {
    return FromWallTime(calendar::WallTime{calendar::UnixFromCivil(utc), nanoseconds});
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

calendar::CivilTime NtpTimestamp::ToCivil() const {
    uint64_t s = seconds_;
    int ms = static_cast<int>(fraction_ * 1000.0 / kFractionScale + 0.5);
    if (ms >= 1000) {  // within half a millisecond of the next second
        ms -= 1000;
        s += 1;
    }
    calendar::CivilTime t = calendar::CivilFromUnix(static_cast<int64_t>(s) - kUnixEpoch);
    t.millisecond = ms;
    return t;
}

calendar::WallTime NtpTimestamp::ToWallTime() const {
    int64_t ns = static_cast<int64_t>(
        ((static_cast<uint64_t>(fraction_) * 1'000'000'000) + (uint64_t{1} << 31)) >> 32);
    int64_t seconds = static_cast<int64_t>(seconds_) - kUnixEpoch;
    if (ns >= 1'000'000'000) {
        ns -= 1'000'000'000;
        seconds += 1;
    }
    return calendar::WallTime{seconds, static_cast<int32_t>(ns)};
}

double NtpTimestamp::Difference(const NtpTimestamp& a, const NtpTimestamp& b) {
    if (a >= b) {
        const NtpTimestamp d = Subtract(a, b);
        return static_cast<double>(d.Seconds()) + d.Fraction() / kFractionScale;
    }
    return -Difference(b, a);
}

NtpTimestamp NtpTimestamp::AddSeconds(double x) const {
    // Nothing sensible to add beyond the 64-bit range (or for a NaN); the cast would be undefined.
    if (!(std::fabs(x) < 1.8e19))
        return *this;
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
