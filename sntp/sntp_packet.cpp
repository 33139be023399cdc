#include "sntp/sntp_packet.h"

#include <cstring>

#include "sntp/big_endian.h"

using sntp::detail::ReadBig32;
using sntp::detail::WriteBig32;

NtpWire EncodeNtpPacket(const NtpPacket& packet) {
    NtpWire wire{};
    wire[0] = static_cast<uint8_t>(((packet.leapIndicator & 0x3) << 6) | ((packet.version & 0x7) << 3) |
                                   (packet.mode & 0x7));
    wire[1] = static_cast<uint8_t>(packet.stratum);
    wire[2] = static_cast<uint8_t>(packet.poll);
    wire[3] = static_cast<uint8_t>(packet.precision);
    WriteBig32(wire.data() + 4, packet.rootDelay);
    WriteBig32(wire.data() + 8, packet.rootDispersion);
    WriteBig32(wire.data() + 12, packet.referenceId);
    packet.reference.ToWire(wire.data() + 16);
    packet.originate.ToWire(wire.data() + sntp::kOriginateOffset);
    packet.receive.ToWire(wire.data() + sntp::kReceiveOffset);
    packet.transmit.ToWire(wire.data() + sntp::kTransmitOffset);
    return wire;
}

NtpPacket DecodeNtpPacket(const uint8_t* data, size_t size) {
    NtpWire wire{};
    if (size > 0)
        std::memcpy(wire.data(), data, size < wire.size() ? size : wire.size());
    NtpPacket packet;
    packet.leapIndicator = (wire[0] >> 6) & 0x3;
    packet.version = (wire[0] >> 3) & 0x7;
    packet.mode = wire[0] & 0x7;
    packet.stratum = wire[1];
    packet.poll = static_cast<int8_t>(wire[2]);
    packet.precision = static_cast<int8_t>(wire[3]);
    packet.rootDelay = ReadBig32(wire.data() + 4);
    packet.rootDispersion = ReadBig32(wire.data() + 8);
    packet.referenceId = ReadBig32(wire.data() + 12);
    packet.reference = NtpTimestamp::FromWire(wire.data() + 16);
    packet.originate = NtpTimestamp::FromWire(wire.data() + sntp::kOriginateOffset);
    packet.receive = NtpTimestamp::FromWire(wire.data() + sntp::kReceiveOffset);
    packet.transmit = NtpTimestamp::FromWire(wire.data() + sntp::kTransmitOffset);
    return packet;
}

NtpPacket MakeNtpRequest(const NtpTimestamp& transmit) {
    NtpPacket request;
    request.version = sntp::kRequestVersion;
    request.mode = sntp::kModeClient;
    request.transmit = transmit;
    return request;
}

const char* SntpFailureText(SntpFailure failure) {
    switch (failure) {
        case SntpFailure::None:
            return "no failure";
        case SntpFailure::Socket:
            return "cannot create a socket";
        case SntpFailure::Resolve:
            return "cannot resolve the host name";
        case SntpFailure::Connect:
            return "cannot connect";
        case SntpFailure::Send:
            return "cannot send the request";
        case SntpFailure::Timeout:
            return "no reply in time";
        case SntpFailure::Receive:
            return "cannot receive the reply";
        case SntpFailure::WrongOriginate:
            return "reply does not answer this request (originate timestamp differs)";
        case SntpFailure::NotServerMode:
            return "reply is not in server mode";
        case SntpFailure::BadVersion:
            return "reply has version 0";
        case SntpFailure::KissOfDeath:
            return "kiss-o'-death (stratum 0)";
        case SntpFailure::BadStratum:
            return "stratum above 15";
        case SntpFailure::Unsynchronised:
            return "server is unsynchronised (leap indicator 3)";
    }
    return "unknown failure";
}

SntpFailure CheckReply(const NtpPacket& reply, const NtpTimestamp& sent) {
    // A stale, duplicated or forged datagram does not echo the transmit time just sent. The
    // wire values are compared, as only they travelled.
    if (reply.originate.Raw() != sent.Raw())
        return SntpFailure::WrongOriginate;
    // Only a server (mode 4) answers a client's request with its clock.
    if (reply.mode != sntp::kModeServer)
        return SntpFailure::NotServerMode;
    if (reply.version == 0)
        return SntpFailure::BadVersion;
    // Stratum 0 is a kiss-o'-death: the server refuses service and its times mean nothing.
    if (reply.stratum == 0)
        return SntpFailure::KissOfDeath;
    // Strata above 15 are unsynchronised or reserved.
    if (reply.stratum > sntp::kMaxStratum)
        return SntpFailure::BadStratum;
    // Leap indicator 3 is the server saying its own clock is not synchronised.
    if (reply.leapIndicator == sntp::kLeapUnsynchronised)
        return SntpFailure::Unsynchronised;
    return SntpFailure::None;
}

bool HasCredibleTimes(const NtpPacket& reply) {
    return reply.receive.ToCivil().year >= sntp::kOldestCredibleYear &&
           reply.transmit.ToCivil().year >= sntp::kOldestCredibleYear;
}
