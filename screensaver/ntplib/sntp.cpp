#include "screensaver/ntplib/sntp.h"

namespace ntplib {
namespace {

constexpr std::int64_t kNs = 1'000'000'000LL;

std::uint64_t ReadU64(std::span<const std::uint8_t> p, std::size_t at) {
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < 8; ++i)
        v = (v << 8) | p[at + i];
    return v;
}

void WriteU64(Packet& p, std::size_t at, std::uint64_t v) {
    for (std::size_t i = 0; i < 8; ++i)
        p[at + 7 - i] = static_cast<std::uint8_t>(v >> (8 * i));
}

constexpr std::size_t kOriginate = 24;
constexpr std::size_t kReceive = 32;
constexpr std::size_t kTransmit = 40;

}  // namespace

std::uint64_t ToNtp(UnixNs t) {
    std::int64_t secs = t / kNs;
    std::int64_t ns = t % kNs;
    if (ns < 0) {
        ns += kNs;
        --secs;
    }
    const auto fraction =
        static_cast<std::uint64_t>((static_cast<unsigned __int128>(ns) << 32) + kNs / 2) / kNs;
    const std::uint64_t s = static_cast<std::uint64_t>(secs + kUnixToNtp) & 0xffffffffULL;
    // Rounding may carry a whole second.
    return (s << 32) + fraction;
}

UnixNs FromNtp(std::uint64_t ntp) {
    std::int64_t secs = static_cast<std::int64_t>(ntp >> 32);
    if (secs < 0x80000000LL)
        secs += 0x100000000LL;
    const std::uint64_t fraction = ntp & 0xffffffffULL;
    const auto ns =
        static_cast<std::int64_t>((static_cast<unsigned __int128>(fraction) * kNs + (1ULL << 31)) >> 32);
    return (secs - kUnixToNtp) * kNs + ns;
}

Packet MakeRequest(UnixNs t1) {
    Packet p{};
    p[0] = (0 << 6) | (4 << 3) | 3;  // no leap warning, version 4, client
    WriteU64(p, kTransmit, ToNtp(t1));
    return p;
}

std::optional<std::int64_t> ReplyOffset(std::span<const std::uint8_t> reply, std::uint64_t sentTransmit,
                                        UnixNs t4) {
    if (reply.size() < kPacketSize)
        return std::nullopt;
    const int leap = reply[0] >> 6;
    const int version = (reply[0] >> 3) & 7;
    const int mode = reply[0] & 7;
    const int stratum = reply[1];
    // Unsynchronised servers (leap 3) and kiss-of-death replies (stratum 0) tell no time.
    if (leap == 3 || version < 1 || (mode != 4 && mode != 5) || stratum == 0 || stratum > 15)
        return std::nullopt;
    // The reply must answer our request, not an old or forged one.
    if (ReadU64(reply, kOriginate) != sentTransmit)
        return std::nullopt;
    const std::uint64_t t2 = ReadU64(reply, kReceive);
    const std::uint64_t t3 = ReadU64(reply, kTransmit);
    if (t2 == 0 || t3 == 0)
        return std::nullopt;
    const UnixNs t1 = FromNtp(sentTransmit);
    const std::int64_t offset = ((FromNtp(t2) - t1) + (FromNtp(t3) - t4)) / 2;
    return offset;
}

}  // namespace ntplib
