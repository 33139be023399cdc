#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// IPv4 addresses are held in host byte order.
constexpr uint32_t kLoopbackIpv4 = 0x7F000001;

// Resolves a dotted IPv4 address as it stands, otherwise a host name to its first IPv4 address.
// On failure returns false with errno set and, if asked, a readable reason.
bool ResolveIpv4(const std::string& host, uint32_t& address, std::string* why = nullptr);
std::string Ipv4ToText(uint32_t address);

enum class WaitResult { Ready, TimedOut, Failed };

// Owner of one IPv4 datagram socket; closed on destruction. Failures return false (or -1) with
// errno from the failing call.
class UdpSocket {
public:
    UdpSocket() = default;
    UdpSocket(const UdpSocket&) = delete;
    UdpSocket& operator=(const UdpSocket&) = delete;
    UdpSocket(UdpSocket&& other) noexcept;
    UdpSocket& operator=(UdpSocket&& other) noexcept;
    ~UdpSocket() { Close(); }

    bool Create();
    bool IsOpen() const { return fd_ >= 0; }
    void Close();  // keeps errno

    // Afterwards only this peer's datagrams arrive, and a refused port shows as ECONNREFUSED.
    bool Connect(uint32_t address, uint16_t port);
    bool Bind(uint32_t address, uint16_t port);  // port 0 picks a free one
    uint16_t LocalPort() const;

    bool Send(const void* data, size_t size);
    bool SendTo(const void* data, size_t size, uint32_t address, uint16_t port);

    // Ready also when an error is pending on the socket: the next Receive reports it.
    WaitResult WaitReadable(int timeoutMs);

    // One datagram, at most capacity bytes of it; the rest of a longer one is discarded.
    long Receive(void* buffer, size_t capacity);
    long ReceiveFrom(void* buffer, size_t capacity, uint32_t& address, uint16_t& port);

private:
    int fd_ = -1;
};

}  // namespace platform
