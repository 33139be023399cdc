#include "platform/udp_socket.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <utility>

namespace platform {

namespace {

sockaddr_in MakeAddress(uint32_t address, uint16_t port) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    sa.sin_addr.s_addr = htonl(address);
    return sa;
}

// getaddrinfo speaks its own error codes; the callers only know errno.
int ErrnoOfResolver(int code) {
    switch (code) {
        case EAI_SYSTEM:
            return errno != 0 ? errno : EIO;
        case EAI_AGAIN:
            return EAGAIN;
        case EAI_MEMORY:
            return ENOMEM;
        default:
            return EHOSTUNREACH;
    }
}

}  // namespace

bool ResolveIpv4(const std::string& host, uint32_t& address, std::string* why) {
    in_addr dotted{};
    if (inet_pton(AF_INET, host.c_str(), &dotted) == 1) {
        address = ntohl(dotted.s_addr);
        return true;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    const int code = getaddrinfo(host.c_str(), nullptr, &hints, &found);
    if (code != 0 || found == nullptr) {
        const int error = code != 0 ? ErrnoOfResolver(code) : EHOSTUNREACH;
        if (why != nullptr)
            *why = code != 0 ? gai_strerror(code) : "no IPv4 address";
        if (found != nullptr)
            freeaddrinfo(found);
        errno = error;
        return false;
    }
    address = ntohl(reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr);
    freeaddrinfo(found);
    return true;
}

std::string Ipv4ToText(uint32_t address) {
    char text[INET_ADDRSTRLEN] = {};
    const in_addr a{htonl(address)};
    inet_ntop(AF_INET, &a, text, sizeof text);
    return text;
}

UdpSocket::UdpSocket(UdpSocket&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

UdpSocket& UdpSocket::operator=(UdpSocket&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

bool UdpSocket::Create() {
    Close();
    fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    return fd_ >= 0;
}

void UdpSocket::Close() {
    if (fd_ < 0)
        return;
    const int saved = errno;
    ::close(fd_);
    fd_ = -1;
    errno = saved;
}

bool UdpSocket::Connect(uint32_t address, uint16_t port) {
    const sockaddr_in sa = MakeAddress(address, port);
    return ::connect(fd_, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) == 0;
}

bool UdpSocket::Bind(uint32_t address, uint16_t port) {
    const sockaddr_in sa = MakeAddress(address, port);
    return ::bind(fd_, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) == 0;
}

uint16_t UdpSocket::LocalPort() const {
    sockaddr_in sa{};
    socklen_t len = sizeof sa;
    if (getsockname(fd_, reinterpret_cast<sockaddr*>(&sa), &len) != 0)
        return 0;
    return ntohs(sa.sin_port);
}

bool UdpSocket::Send(const void* data, size_t size) {
    return ::send(fd_, data, size, MSG_NOSIGNAL) == static_cast<ssize_t>(size);
}

bool UdpSocket::SendTo(const void* data, size_t size, uint32_t address, uint16_t port) {
    const sockaddr_in sa = MakeAddress(address, port);
    return ::sendto(fd_, data, size, MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) ==
           static_cast<ssize_t>(size);
}

WaitResult UdpSocket::WaitReadable(int timeoutMs) {
    pollfd p{fd_, POLLIN, 0};
    // A signal must not stretch the wait beyond its bound.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    int n;
    int remaining = timeoutMs;
    while ((n = ::poll(&p, 1, remaining)) < 0 && errno == EINTR) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        remaining = static_cast<int>(std::max<int64_t>(0, left.count()));
    }
    if (n < 0)
        return WaitResult::Failed;
    if (n == 0)
        return WaitResult::TimedOut;
    return WaitResult::Ready;
}

long UdpSocket::Receive(void* buffer, size_t capacity) {
    ssize_t n;
    do {
        n = ::recv(fd_, buffer, capacity, 0);
    } while (n < 0 && errno == EINTR);
    return static_cast<long>(n);
}

long UdpSocket::ReceiveFrom(void* buffer, size_t capacity, uint32_t& address, uint16_t& port) {
    sockaddr_in sa{};
    socklen_t len = sizeof sa;
    ssize_t n;
    do {
        n = ::recvfrom(fd_, buffer, capacity, 0, reinterpret_cast<sockaddr*>(&sa), &len);
    } while (n < 0 && errno == EINTR);
    address = ntohl(sa.sin_addr.s_addr);
    port = ntohs(sa.sin_port);
    return static_cast<long>(n);
}

}  // namespace platform
