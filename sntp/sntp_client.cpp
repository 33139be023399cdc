#include "sntp/sntp_client.h"

#include <cerrno>

#include "platform/udp_socket.h"

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

    const NtpTimestamp t1 = NtpTimestamp::FromClock(clock_);
    const NtpWire request = EncodeNtpPacket(MakeNtpRequest(t1));
    if (!socket.Send(request.data(), request.size()))
        return Fail(SntpFailure::Send, errno);

    if (socket.WaitReadable(static_cast<int>(m_dwTimeout)) != platform::WaitResult::Ready)
        return Fail(SntpFailure::Timeout, ETIMEDOUT);
    const NtpTimestamp t4 = NtpTimestamp::FromClock(clock_);

    // A longer datagram is cut at the buffer's end by the receive itself.
    uint8_t buffer[sntp::kReceiveBufferSize] = {};
    const long got = socket.Receive(buffer, sizeof buffer);
    if (got < 0)
        return Fail(SntpFailure::Receive, errno);
    if (got == 0)
        return Fail(SntpFailure::Receive, ENODATA);
    socket.Close();

    NtpReply decoded;
    static_cast<NtpPacket&>(decoded) = DecodeNtpPacket(buffer, static_cast<size_t>(got));
    decoded.destination = t4;
    decoded.offset = (NtpTimestamp::Difference(decoded.receive, decoded.originate) +
                      NtpTimestamp::Difference(decoded.transmit, t4)) *
                     0.5;
    decoded.delay = NtpTimestamp::Difference(t4, decoded.originate) -
                    NtpTimestamp::Difference(decoded.transmit, decoded.receive);
    reply = decoded;

    // A reply that is not a trustworthy answer to this request counts as no answer, so the
    // next server is asked.
    if (const SntpFailure refused = CheckReply(decoded, t1); refused != SntpFailure::None)
        return Fail(refused, EPROTO);
    return true;
}

bool CSNTPClient::SetSystemClock(const NtpTimestamp& t) {
    // The right to set the clock is raised and lowered by the clock itself, around the call.
    return clock_.SetUtc(t.ToWallTime());
}
