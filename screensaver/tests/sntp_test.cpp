#include "screensaver/ntplib/sntp.h"

#include <gtest/gtest.h>

namespace ntplib {
namespace {

constexpr std::int64_t kNs = 1'000'000'000LL;

void PutU64(Packet& p, std::size_t at, std::uint64_t v) {
    for (std::size_t i = 0; i < 8; ++i)
        p[at + 7 - i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// A server reply to a request sent at t1, received by the server at t2 and answered at t3.
Packet Reply(std::uint64_t originate, UnixNs t2, UnixNs t3) {
    Packet p{};
    p[0] = (0 << 6) | (4 << 3) | 4;
    p[1] = 2;
    PutU64(p, 24, originate);
    PutU64(p, 32, ToNtp(t2));
    PutU64(p, 40, ToNtp(t3));
    return p;
}

TEST(NtpTimestamp, RoundTripsAcrossTheEraBoundary) {
    for (UnixNs t : {UnixNs{0}, UnixNs{1'765'000'000} * kNs + 123'456'789, UnixNs{2'085'978'496} * kNs + 1,
                     UnixNs{2'085'978'495} * kNs + 999'999'999, UnixNs{4'000'000'000} * kNs}) {
        EXPECT_NEAR(static_cast<double>(FromNtp(ToNtp(t))), static_cast<double>(t), 1.0) << t;
    }
    // Half a second is exactly half the fraction range.
    EXPECT_EQ(ToNtp(kNs / 2) & 0xffffffffULL, 0x80000000ULL);
    EXPECT_EQ(ToNtp(0) >> 32, static_cast<std::uint64_t>(kUnixToNtp));
}

TEST(SntpRequest, IsAVersion4ClientPacketWithT1) {
    const Packet p = MakeRequest(1'765'000'000 * kNs);
    EXPECT_EQ(p[0], 0x23);
    std::uint64_t transmit = 0;
    for (std::size_t i = 40; i < 48; ++i)
        transmit = (transmit << 8) | p[i];
    EXPECT_EQ(transmit, ToNtp(1'765'000'000 * kNs));
}

TEST(SntpReply, OffsetIsTheMeanOfBothLegs) {
    const UnixNs t1 = 1'765'000'000 * kNs;
    const std::uint64_t sent = ToNtp(t1);
    // Server 2.5 s ahead, 40 ms each way, 1 ms inside the server.
    const UnixNs t2 = t1 + 2'500'000'000 + 40'000'000;
    const UnixNs t3 = t2 + 1'000'000;
    const UnixNs t4 = t1 + 81'000'000;
    const Packet r = Reply(sent, t2, t3);
    const auto offset = ReplyOffset(r, sent, t4);
    ASSERT_TRUE(offset);
    EXPECT_NEAR(static_cast<double>(*offset), 2.5e9, 2.0);
}

TEST(SntpReply, RefusesRepliesThatTellNoTrustworthyTime) {
    const UnixNs t1 = 1'765'000'000 * kNs;
    const std::uint64_t sent = ToNtp(t1);
    const Packet good = Reply(sent, t1, t1);
    ASSERT_TRUE(ReplyOffset(good, sent, t1));

    Packet p = good;
    p[0] = (3 << 6) | (4 << 3) | 4;  // unsynchronised
    EXPECT_FALSE(ReplyOffset(p, sent, t1));
    p = good;
    p[1] = 0;  // kiss of death
    EXPECT_FALSE(ReplyOffset(p, sent, t1));
    p = good;
    p[0] = (4 << 3) | 3;  // another client's request
    EXPECT_FALSE(ReplyOffset(p, sent, t1));
    EXPECT_FALSE(ReplyOffset(Reply(sent + 1, t1, t1), sent, t1));  // answers another request
    p = good;
    PutU64(p, 40, 0);
    EXPECT_FALSE(ReplyOffset(p, sent, t1));
    EXPECT_FALSE(ReplyOffset(std::span(good).first(47), sent, t1));
}

}  // namespace
}  // namespace ntplib
