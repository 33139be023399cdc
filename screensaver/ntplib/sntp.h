#pragma once
// The SNTP packet of one exchange: the request and the checks and arithmetic of the reply.

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace ntplib {

inline constexpr std::size_t kPacketSize = 48;
inline constexpr std::uint16_t kNtpPort = 123;
// Seconds from 1900-01-01 to 1970-01-01.
inline constexpr std::int64_t kUnixToNtp = 2208988800LL;
inline constexpr int kTimeoutMs = 2000;

using Packet = std::array<std::uint8_t, kPacketSize>;

// Nanoseconds since the Unix epoch.
using UnixNs = std::int64_t;

// 64-bit NTP timestamp: seconds since 1900 (of the era) and a 32-bit fraction.
std::uint64_t ToNtp(UnixNs t);
// A value whose seconds are below 2^31 belongs to the era after 2036-02-07.
UnixNs FromNtp(std::uint64_t ntp);

// Client request (version 4, mode 3) carrying t1 as its transmit timestamp.
Packet MakeRequest(UnixNs t1);

// The clock's offset (server minus local, nanoseconds) from a reply that answers the request
// sent at t1 and arrived at t4; nothing when the reply is no valid answer to it.
std::optional<std::int64_t> ReplyOffset(std::span<const std::uint8_t> reply, std::uint64_t sentTransmit,
                                        UnixNs t4);

}  // namespace ntplib
