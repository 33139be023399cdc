#include "sntp/sntp_packet.h"

#include <gtest/gtest.h>

namespace {

const NtpTimestamp kSent(3'970'000'000u, 0x12345678u);

NtpPacket GoodReply() {
    NtpPacket reply;
    reply.version = 4;
    reply.mode = sntp::kModeServer;
    reply.stratum = 2;
    reply.originate = kSent;
    reply.receive = kSent.AddSeconds(1.5);
    reply.transmit = kSent.AddSeconds(1.6);
    return reply;
}

}  // namespace

TEST(NtpPacketTest, RequestIsVersion3ClientWithT1Only) {
    const NtpWire wire = EncodeNtpPacket(MakeNtpRequest(kSent));
    EXPECT_EQ(0x1B, wire[0]);
    for (size_t i = 1; i < sntp::kTransmitOffset; ++i)
        ASSERT_EQ(0, wire[i]) << i;
    EXPECT_EQ(kSent, NtpTimestamp::FromWire(wire.data() + sntp::kTransmitOffset));
}

TEST(NtpPacketTest, EveryHeaderFieldSurvivesTheWire) {
    NtpPacket p = GoodReply();
    p.leapIndicator = 2;
    p.poll = -6;
    p.precision = -20;
    p.rootDelay = 0x01020304u;
    p.rootDispersion = 0xA0B0C0D0u;
    p.referenceId = ReferenceId("LOCL");
    p.reference = NtpTimestamp(NtpTimestamp::kEraSeconds + 5, 7);  // after the 2036 wrap
    const NtpWire wire = EncodeNtpPacket(p);
    EXPECT_EQ('L', wire[12]);
    EXPECT_EQ(0xEC, wire[3]);
    EXPECT_EQ(p, DecodeNtpPacket(wire.data(), wire.size()));
}

TEST(NtpPacketTest, ShortDatagramLeavesMissingBytesZero) {
    NtpWire wire = EncodeNtpPacket(GoodReply());
    const NtpPacket cut = DecodeNtpPacket(wire.data(), 36);
    EXPECT_EQ(kSent, cut.originate);
    // Bytes 36-39 of the receive time are missing; the transmit time is missing altogether.
    EXPECT_EQ(GoodReply().receive.Seconds(), cut.receive.Seconds());
    EXPECT_EQ(0u, cut.receive.Fraction());
    EXPECT_EQ(NtpTimestamp(), cut.transmit);
    EXPECT_EQ(1900, DecodeNtpPacket(nullptr, 0).receive.ToCivil().year);
}

TEST(NtpPacketTest, ChecksNameTheFirstReasonToRefuse) {
    // The loopback tests of the client cover the echo, kiss-o'-death, leap 3 and client mode.
    const struct {
        void (*spoil)(NtpPacket&);
        SntpFailure failure;
    } cases[] = {
        {[](NtpPacket&) {}, SntpFailure::None},
        {[](NtpPacket& p) { p.leapIndicator = 1; }, SntpFailure::None},  // a leap second ahead is fine
        {[](NtpPacket& p) { p.mode = 5; }, SntpFailure::NotServerMode},  // broadcast answers nobody
        {[](NtpPacket& p) { p.version = 0; }, SntpFailure::BadVersion},
        {[](NtpPacket& p) { p.stratum = 16; }, SntpFailure::BadStratum},
        {[](NtpPacket& p) { p.originate = p.originate.AddSeconds(1e-9 * 300); }, SntpFailure::WrongOriginate},
        {[](NtpPacket& p) {
             p.stratum = 0;
             p.leapIndicator = 3;
         },
         SntpFailure::KissOfDeath},
    };
    for (const auto& c : cases) {
        NtpPacket reply = GoodReply();
        c.spoil(reply);
        EXPECT_EQ(c.failure, CheckReply(reply, kSent)) << SntpFailureText(c.failure);
    }
}

TEST(NtpPacketTest, TimesBefore2005AreNoClock) {
    EXPECT_TRUE(HasCredibleTimes(GoodReply()));
    NtpPacket zeroReceive = GoodReply();
    zeroReceive.receive = NtpTimestamp();
    EXPECT_FALSE(HasCredibleTimes(zeroReceive));
    // A zero transmit time alone would put the offset decades off.
    NtpPacket zeroTransmit = GoodReply();
    zeroTransmit.transmit = NtpTimestamp();
    EXPECT_FALSE(HasCredibleTimes(zeroTransmit));
    NtpPacket y2004 = GoodReply();
    y2004.receive = NtpTimestamp::FromCivil(calendar::MakeCivilTime(2004, 12, 31, 23, 59, 59));
    EXPECT_FALSE(HasCredibleTimes(y2004));
}
