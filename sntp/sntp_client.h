#pragma once

#include <cstdint>
#include <string>

#include "platform/clock.h"
#include "sntp/ntp_timestamp.h"
#include "sntp/sntp_packet.h"

// What one exchange yields: the reply's header and what the client measured.
struct NtpReply : NtpPacket {
    NtpTimestamp destination;  // T4, the PC clock when the reply was found waiting
    double offset = 0.0;       // server minus PC: positive when the PC is behind
    double delay = 0.0;        // round trip less the server's holding time
};

// One SNTP exchange with one server, and setting the PC clock. Failures return false with errno
// set (ETIMEDOUT when nothing arrived in time, EPROTO for a reply that CheckReply refuses) and
// LastFailure() saying which step failed.
class CSNTPClient {
public:
    explicit CSNTPClient(platform::Clock& clock);
    CSNTPClient(const CSNTPClient&) = delete;
    CSNTPClient& operator=(const CSNTPClient&) = delete;
    virtual ~CSNTPClient() = default;

    // A refused reply is still handed back, for a caller that reports what came.
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
