#include "timeservices/sntp_client.h"

#include <cerrno>
#include <cstring>

#include "platform/udp_socket.h"

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
        case SntpFailure::KissOfDeath:
            return "kiss-o'-death (stratum 0)";
        case SntpFailure::BadStratum:
            return "stratum above 15";
        case SntpFailure::Unsynchronised:
            return "server is unsynchronised (leap indicator 3)";
    }
    return "unknown failure";
}

NtpReply DecodeNtpReply(const uint8_t* data, size_t size) {
    uint8_t packet[sntp::kPacketSize] = {};
    std::memcpy(packet, data, size < sizeof packet ? size : sizeof packet);
    NtpReply reply;
    reply.leapIndicator = (packet[0] >> 6) & 0x3;
    reply.version = (packet[0] >> 3) & 0x7;
    reply.mode = packet[0] & 0x7;
    reply.stratum = packet[1];
    reply.originate = NtpTimestamp::FromWire(packet + sntp::kOriginateOffset);
    reply.receive = NtpTimestamp::FromWire(packet + sntp::kReceiveOffset);
    reply.transmit = NtpTimestamp::FromWire(packet + sntp::kTransmitOffset);
    return reply;
}

CSNTPClient::CSNTPClient(platform::Clock& clock) : m_dwTimeout(2000), clock_(clock) {}

bool CSNTPClient::Fail(SntpFailure failure, int error) {
    failure_ = failure;
    errno = error;
    return false;
}

bool CSNTPClient::RequestTime(const std::string& host, NtpReply& reply, uint16_t port) {
    failure_ = SntpFailure::None;
    detail_.clear();
    address_.clear();

    platform::UdpSocket socket;
    if (!socket.Create())
        return Fail(SntpFailure::Socket, errno);
    uint32_t address = 0;
    if (!platform::ResolveIpv4(host, address, &detail_))
        return Fail(SntpFailure::Resolve, errno);
    address_ = platform::Ipv4ToText(address);
    if (!socket.Connect(address, port))
        return Fail(SntpFailure::Connect, errno);

    uint8_t request[sntp::kPacketSize] = {};
    request[0] = sntp::kClientRequestByte0;
    const NtpTimestamp t1 = NtpTimestamp::FromClock(clock_);
    t1.ToWire(request + sntp::kTransmitOffset);
    if (!socket.Send(request, sizeof request))
        return Fail(SntpFailure::Send, errno);

    if (socket.WaitReadable(static_cast<int>(m_dwTimeout)) != platform::WaitResult::Ready) {
        return Fail(SntpFailure::Timeout, ETIMEDOUT);
    }
    const NtpTimestamp t4 = NtpTimestamp::FromClock(clock_);

    // A longer datagram is cut at the buffer's end by the receive itself.
    uint8_t buffer[sntp::kReceiveBufferSize] = {};
    const long got = socket.Receive(buffer, sizeof buffer);
    if (got < 0)
        return Fail(SntpFailure::Receive, errno);
    if (got == 0)
        return Fail(SntpFailure::Receive, ENODATA);
    socket.Close();

    NtpReply decoded = DecodeNtpReply(buffer, static_cast<size_t>(got));
    decoded.destination = t4;
    decoded.offset = (NtpTimestamp::Difference(decoded.receive, decoded.originate) +
                      NtpTimestamp::Difference(decoded.transmit, t4)) *
                     0.5;
    decoded.delay = NtpTimestamp::Difference(t4, decoded.originate) -
                    NtpTimestamp::Difference(decoded.transmit, decoded.receive);

    // Each check keeps a reply that is not a trustworthy answer to this request from setting
    // the clock; such a reply counts as no answer, so the next server is asked.
    // A stale, duplicated or forged datagram does not echo the transmit time we just sent.
    if (decoded.originate != t1) {
        reply = decoded;
        return Fail(SntpFailure::WrongOriginate, EPROTO);
    }
    // Only a server (mode 4) answers with its clock; anything else is not a time reply.
    if (decoded.mode != sntp::kModeServer) {
        reply = decoded;
        return Fail(SntpFailure::NotServerMode, EPROTO);
    }
    // Stratum 0 is a kiss-o'-death: the server refuses service and its times mean nothing.
    if (decoded.stratum == 0) {
        reply = decoded;
        return Fail(SntpFailure::KissOfDeath, EPROTO);
    }
    // Strata above 15 are unsynchronised or reserved.
    if (decoded.stratum > sntp::kMaxStratum) {
        reply = decoded;
        return Fail(SntpFailure::BadStratum, EPROTO);
    }
    // Leap indicator 3 is the server saying its own clock is not synchronised.
    if (decoded.leapIndicator == sntp::kLeapUnsynchronised) {
        reply = decoded;
        return Fail(SntpFailure::Unsynchronised, EPROTO);
    }
    reply = decoded;
    return true;
}

bool CSNTPClient::SetSystemClock(const NtpTimestamp& t) {
    // The right to set the clock is raised and lowered by the clock itself, around the call.
    return clock_.SetUtc(t.ToWallTime());
}
