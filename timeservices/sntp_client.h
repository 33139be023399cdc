#pragma once

#include <cstdint>
#include <string>

#include "platform/clock.h"
#include "timeservices/ntp_timestamp.h"

// What one exchange yields.
struct NtpReply {
    int leapIndicator = 0;
    int version = 0;
    int mode = 0;
    int stratum = 0;
    NtpTimestamp originate;    // T1 as echoed by the server
    NtpTimestamp receive;      // T2
    NtpTimestamp transmit;     // T3
    NtpTimestamp destination;  // T4, the PC clock when the reply was found waiting
    double offset = 0.0;       // server minus PC: positive when the PC is behind
    double delay = 0.0;        // round trip less the server's holding time
};

// Why an exchange gave no usable answer.
enum class SntpFailure {
    None,
    Socket,
    Resolve,
    Connect,
    Send,
    Timeout,
    Receive,
    WrongOriginate,
    NotServerMode,
    KissOfDeath,
    BadStratum,
    Unsynchronised,
};

const char* SntpFailureText(SntpFailure failure);

namespace sntp {
constexpr size_t kPacketSize = 48;
constexpr size_t kReceiveBufferSize = 68;      // header plus an optional authenticator, ignored
constexpr uint8_t kClientRequestByte0 = 0x1B;  // leap 0, version 3, mode 3 (client)
constexpr int kModeServer = 4;
constexpr int kLeapUnsynchronised = 3;
constexpr int kMaxStratum = 15;
constexpr size_t kOriginateOffset = 24;
constexpr size_t kReceiveOffset = 32;
constexpr size_t kTransmitOffset = 40;
constexpr uint16_t kPort = 123;
}  // namespace sntp

// Fills a reply from a received datagram; bytes past the end of a short one count as zero.
NtpReply DecodeNtpReply(const uint8_t* data, size_t size);

// One SNTP exchange with one server, and setting the PC clock. Failures return false with errno
// set (ETIMEDOUT when nothing arrived in time) and LastFailure() saying which step failed.
class CSNTPClient {
public:
    explicit CSNTPClient(platform::Clock& clock);
    CSNTPClient(const CSNTPClient&) = delete;
    CSNTPClient& operator=(const CSNTPClient&) = delete;
    virtual ~CSNTPClient() = default;

    bool RequestTime(const std::string& host, NtpReply& reply, uint16_t port = sntp::kPort);
    bool SetSystemClock(const NtpTimestamp& t);

    SntpFailure LastFailure() const { return failure_; }
    const std::string& LastFailureDetail() const { return detail_; }
    // The address the last request went to, once resolved.
    const std::string& LastAddress() const { return address_; }

private:
    bool Fail(SntpFailure failure, int error);

    uint32_t m_dwTimeout;
    platform::Clock& clock_;
    SntpFailure failure_ = SntpFailure::None;
    std::string detail_;
    std::string address_;
};
