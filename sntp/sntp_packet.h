#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "sntp/ntp_timestamp.h"

namespace sntp {
constexpr size_t kPacketSize = 48;
constexpr size_t kReceiveBufferSize = 68;  // header plus an optional authenticator, ignored
constexpr int kRequestVersion = 3;
constexpr int kModeClient = 3;
constexpr int kModeServer = 4;
constexpr int kLeapUnsynchronised = 3;
constexpr int kMaxStratum = 15;
constexpr size_t kOriginateOffset = 24;
constexpr size_t kReceiveOffset = 32;
constexpr size_t kTransmitOffset = 40;
constexpr uint16_t kPort = 123;
// Times before this year are a zero or garbage answer, not a clock.
constexpr int kOldestCredibleYear = 2005;
}  // namespace sntp

// The 48-byte header of a request or a reply, field by field.
struct NtpPacket {
    int leapIndicator = 0;  // 0-3
    int version = 0;        // 0-7
    int mode = 0;           // 0-7
    int stratum = 0;        // 0-255
    int poll = 0;           // signed, log2 seconds
    int precision = 0;      // signed, log2 seconds
    uint32_t rootDelay = 0;
    uint32_t rootDispersion = 0;
    uint32_t referenceId = 0;  // four ASCII characters for stratum 0 and 1, "RATE" or "LOCL"
    NtpTimestamp reference;
    NtpTimestamp originate;  // T1 as echoed by the server
    NtpTimestamp receive;    // T2
    NtpTimestamp transmit;   // T3

    friend bool operator==(const NtpPacket&, const NtpPacket&) = default;
};

constexpr uint32_t ReferenceId(const char (&code)[5]) {
    return (uint32_t{static_cast<uint8_t>(code[0])} << 24) | (uint32_t{static_cast<uint8_t>(code[1])} << 16) |
           (uint32_t{static_cast<uint8_t>(code[2])} << 8) | uint32_t{static_cast<uint8_t>(code[3])};
}

using NtpWire = std::array<uint8_t, sntp::kPacketSize>;

NtpWire EncodeNtpPacket(const NtpPacket& packet);
// Bytes past the end of a short datagram count as zero; bytes past the header are ignored.
NtpPacket DecodeNtpPacket(const uint8_t* data, size_t size);

// A client request: leap 0, version 3, mode 3, and T1 as the transmit time; nothing else.
NtpPacket MakeNtpRequest(const NtpTimestamp& transmit);

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
    BadVersion,
    KissOfDeath,
    BadStratum,
    Unsynchronised,
};

const char* SntpFailureText(SntpFailure failure);

// Whether a reply is a trustworthy answer to the request that carried `sent`: it echoes that
// transmit time, comes from a server (mode 4) of a known version, is no kiss-o'-death, has a
// stratum of at most 15 and a synchronised clock. The first check that fails is named.
SntpFailure CheckReply(const NtpPacket& reply, const NtpTimestamp& sent);

// Whether the server's receive and transmit times lie after 2005: zero or garbage times would
// set the clock decades off.
bool HasCredibleTimes(const NtpPacket& reply);
