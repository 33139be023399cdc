#pragma once
// One synchronisation: an SNTP exchange with the server, then the clock set to its time.
// The system's socket and clock sit behind these two interfaces, so tests use fakes.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "screensaver/ntplib/sntp.h"

namespace ntplib {

class UdpLink {
public:
    virtual ~UdpLink() = default;
    // Resolves host (IPv4) and connects a datagram socket to it.
    virtual bool Connect(const std::string& host, std::uint16_t port) = 0;
    virtual bool Send(std::span<const std::uint8_t> data) = 0;
    // Bytes received, 0 on time-out, -1 on error.
    virtual int Receive(std::span<std::uint8_t> buffer, int timeoutMs) = 0;
};

class SystemClock {
public:
    virtual ~SystemClock() = default;
    virtual UnixNs Now() = 0;
    // Sets the clock; false with errno when not allowed.
    virtual bool Set(UnixNs t) = 0;
};

struct Server {
    std::string host;
    std::uint16_t port = kNtpPort;
};

// "HOST" or "HOST:PORT"; nothing for an empty host or a bad port.
std::optional<Server> ParseServer(const std::string& text);
// TIKO3_NTPLIB_SERVER when set, else the public default.
std::optional<Server> ConfiguredServer();
inline constexpr const char* kDefaultServer = "kr.pool.ntp.org";

// 0 when the clock was set to the server's time, -1 otherwise.
int SyncOnce(const Server& server, UdpLink& link, SystemClock& clock);

std::unique_ptr<UdpLink> MakeLinuxUdpLink();
std::unique_ptr<SystemClock> MakeLinuxClock();

}  // namespace ntplib
