#include "tests/support/sntp_responder.h"

#include <cstring>

#include "timeservices/ntp_timestamp.h"
#include "timeservices/sntp_client.h"

CSntpResponder::CSntpResponder(const platform::Clock& clock, double offsetSeconds, Behaviour behaviour)
    : clock_(clock), offset_(offsetSeconds), behaviour_(behaviour) {}

CSntpResponder::~CSntpResponder() {
    Stop();
}

bool CSntpResponder::Start() {
    if (!socket_.Create() || !socket_.Bind(platform::kLoopbackIpv4, 0))
        return false;
    port_ = socket_.LocalPort();
    thread_ = std::thread([this] { Serve(); });
    return true;
}

void CSntpResponder::Stop() {
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
    socket_.Close();
}

void CSntpResponder::Serve() {
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
    uint8_t reply[sntp::kPacketSize + 100] = {};
    const NtpTimestamp received = NtpTimestamp::FromClock(clock_).AddSeconds(offset_);
    reply[0] = static_cast<uint8_t>((0 << 6) | (4 << 3) | sntp::kModeServer);
    reply[1] = 2;
    reply[2] = 6;     // poll
    reply[3] = 0xEC;  // precision, about a microsecond
    std::memcpy(reply + 12, "LOCL", 4);
    if (size >= sntp::kPacketSize)
        std::memcpy(reply + sntp::kOriginateOffset, request + sntp::kTransmitOffset, 8);
    received.ToWire(reply + 16);  // reference time
    received.ToWire(reply + sntp::kReceiveOffset);
    NtpTimestamp::FromClock(clock_).AddSeconds(offset_).ToWire(reply + sntp::kTransmitOffset);

    size_t length = sntp::kPacketSize;
    switch (behaviour_) {
        case Behaviour::Short:
            length = 20;
            break;
        case Behaviour::ZeroTimes:
            std::memset(reply + 16, 0, 8);
            std::memset(reply + sntp::kReceiveOffset, 0, 16);
            break;
        case Behaviour::WrongOriginate:
            reply[sntp::kOriginateOffset + 7] ^= 0x5A;
            break;
        case Behaviour::KissOfDeath:
            reply[1] = 0;
            std::memcpy(reply + 12, "RATE", 4);
            break;
        case Behaviour::Unsynchronised:
            reply[0] = static_cast<uint8_t>(reply[0] | 0xC0);
            break;
        case Behaviour::ClientMode:
            reply[0] = static_cast<uint8_t>((reply[0] & ~0x7) | 3);
            break;
        case Behaviour::Long:
            std::memset(reply + sntp::kPacketSize, 0xFF, 100);
            length = sizeof reply;
            break;
        default:
            break;
    }
    socket_.SendTo(reply, length, address, port);
}
