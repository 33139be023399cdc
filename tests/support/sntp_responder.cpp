#include "tests/support/sntp_responder.h"

#include <algorithm>
#include <array>

#include "sntp/sntp_packet.h"

CSntpResponder::CSntpResponder(const platform::Clock& clock, double offsetSeconds, Behaviour behaviour)
    : clock_(clock), offset_(offsetSeconds), behaviour_(behaviour) {}

CSntpResponder::~CSntpResponder() {
    Stop();
}

uint16_t CSntpResponder::ClosedPort() {
    platform::UdpSocket socket;
    if (!socket.Create() || !socket.Bind(platform::kLoopbackIpv4, 0))
        return 9;  // discard, closed wherever no one runs that old service
    return socket.LocalPort();
}

bool CSntpResponder::Start() {
    if (!socket_.Create() || !socket_.Bind(platform::kLoopbackIpv4, 0))
        return false;
    port_ = socket_.LocalPort();
    thread_ = std::thread([this] { Serve(); });
    serving_.wait(false);
    return true;
}

void CSntpResponder::Stop() {
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
    socket_.Close();
}

void CSntpResponder::Serve() {
    serving_ = true;
    serving_.notify_all();
    while (!stop_) {
        // A short wait, so that Stop is noticed without a wake-up datagram.
        if (socket_.WaitReadable(20) != platform::WaitResult::Ready)
            continue;
        uint8_t request[sntp::kReceiveBufferSize] = {};
        uint32_t address = 0;
        uint16_t port = 0;
        const long got = socket_.ReceiveFrom(request, sizeof request, address, port);
        if (got <= 0)
            continue;
        ++requests_;
        Answer(request, static_cast<size_t>(got), address, port);
    }
}

void CSntpResponder::Answer(const uint8_t* request, size_t size, uint32_t address, uint16_t port) {
    if (behaviour_ == Behaviour::Silent)
        return;
    NtpPacket reply;
    reply.version = 4;
    reply.mode = sntp::kModeServer;
    reply.stratum = 2;
    reply.poll = 6;
    reply.precision = -20;  // about a microsecond
    reply.referenceId = ReferenceId("LOCL");
    // Our clock is read once for the receive time and once more for the transmit time.
    reply.receive = NtpTimestamp::FromClock(clock_).AddSeconds(offset_);
    reply.reference = reply.receive;
    if (size >= sntp::kPacketSize)
        reply.originate = DecodeNtpPacket(request, size).transmit;
    reply.transmit = NtpTimestamp::FromClock(clock_).AddSeconds(offset_);

    size_t length = sntp::kPacketSize;
    switch (behaviour_) {
        case Behaviour::Short:
            length = 20;
            break;
        case Behaviour::ZeroTimes:
            reply.reference = reply.receive = reply.transmit = NtpTimestamp();
            break;
        case Behaviour::WrongOriginate:
            reply.originate = NtpTimestamp(reply.originate.Seconds(), reply.originate.Fraction() ^ 0x5A);
            break;
        case Behaviour::KissOfDeath:
            reply.stratum = 0;
            reply.referenceId = ReferenceId("RATE");
            break;
        case Behaviour::Unsynchronised:
            reply.leapIndicator = sntp::kLeapUnsynchronised;
            break;
        case Behaviour::ClientMode:
            reply.mode = sntp::kModeClient;
            break;
        case Behaviour::Long:
            length = sntp::kPacketSize + 100;
            break;
        default:
            break;
    }
    std::array<uint8_t, sntp::kPacketSize + 100> datagram;
    datagram.fill(0xFF);  // the padding of a long answer
    const NtpWire wire = EncodeNtpPacket(reply);
    std::copy(wire.begin(), wire.end(), datagram.begin());
    socket_.SendTo(datagram.data(), length, address, port);
}
