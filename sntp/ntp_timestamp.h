#pragma once

#include <compare>
#include <cstdint>

#include "platform/clock.h"

// Seconds since 1900-01-01 00:00:00 UTC with a 32-bit fraction (units of 1/2^32 s).
// The seconds are held past 32 bits: on the wire they wrap on 2036-02-07, and a wire seconds
// word below 2^31 is read as the era after that wrap, which keeps every conversion right
// from 1968 until 2104.
class NtpTimestamp {
public:
    static constexpr uint64_t kEraSeconds = uint64_t{1} << 32;
    // 1970-01-01 in seconds since 1900.
    static constexpr int64_t kUnixEpoch = 2208988800;
    static constexpr double kFractionScale = 4294967295.0;  // 2^32 - 1, as the conversions use

    constexpr NtpTimestamp() = default;
    constexpr NtpTimestamp(uint64_t seconds, uint32_t fraction) : seconds_(seconds), fraction_(fraction) {}

    static NtpTimestamp FromClock(const platform::Clock& clock);
    // The fraction comes from the nanoseconds: whole milliseconds give exactly the millisecond
    // table, anything finer round(ns * 2^32 / 10^9).
    static NtpTimestamp FromCivil(const calendar::CivilTime& utc, int32_t nanoseconds);
    static NtpTimestamp FromCivil(const calendar::CivilTime& utc) {
        return FromCivil(utc, utc.millisecond * 1'000'000);
    }
    static NtpTimestamp FromWallTime(calendar::WallTime t);

    // 8 bytes, seconds word then fraction word, each big-endian.
    void ToWire(uint8_t* out) const;
    static NtpTimestamp FromWire(const uint8_t* in);

    // Broken-down UTC time; milliseconds round to nearest and carry into the seconds.
    calendar::CivilTime ToCivil() const;
    calendar::WallTime ToWallTime() const;

    // a - b in seconds.
    static double Difference(const NtpTimestamp& a, const NtpTimestamp& b);
    NtpTimestamp AddSeconds(double x) const;

    uint64_t Seconds() const { return seconds_; }
    uint32_t Fraction() const { return fraction_; }
    // The 64-bit wire value: the seconds word of the era above, the fraction below.
    uint64_t Raw() const { return (seconds_ << 32) | fraction_; }

    friend bool operator==(const NtpTimestamp&, const NtpTimestamp&) = default;
    friend auto operator<=>(const NtpTimestamp&, const NtpTimestamp&) = default;

private:
    uint64_t seconds_ = 0;
    uint32_t fraction_ = 0;
};

// F(ms) = round(ms * 2^32 / 1000) for ms 0..999.
uint32_t MillisecondFraction(int milliseconds);
