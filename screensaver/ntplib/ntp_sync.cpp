#include "screensaver/ntplib/ntp_sync.h"

#include <charconv>
#include <cstdlib>

namespace ntplib {

std::optional<Server> ParseServer(const std::string& text) {
    Server s;
    const auto colon = text.rfind(':');
    s.host = text.substr(0, colon);
    if (colon != std::string::npos) {
        const std::string port = text.substr(colon + 1);
        unsigned value = 0;
        const auto [end, err] = std::from_chars(port.data(), port.data() + port.size(), value);
        if (err != std::errc() || end != port.data() + port.size() || value == 0 || value > 65535)
            return std::nullopt;
        s.port = static_cast<std::uint16_t>(value);
    }
    if (s.host.empty())
        return std::nullopt;
    return s;
}

std::optional<Server> ConfiguredServer() {
    const char* env = std::getenv("TIKO3_NTPLIB_SERVER");
    return ParseServer(env && *env ? env : kDefaultServer);
}

int SyncOnce(const Server& server, UdpLink& link, SystemClock& clock) {
    if (!link.Connect(server.host, server.port))
        return -1;
    const Packet request = MakeRequest(clock.Now());
    // Compare against the bytes actually sent, fraction rounding included.
    std::uint64_t sent = 0;
    for (std::size_t i = 40; i < 48; ++i)
        sent = (sent << 8) | request[i];
    if (!link.Send(request))
        return -1;
    Packet reply{};
    const int n = link.Receive(reply, kTimeoutMs);
    const UnixNs t4 = clock.Now();
    if (n < static_cast<int>(kPacketSize))
        return -1;
    const auto offset = ReplyOffset(reply, sent, t4);
    if (!offset)
        return -1;
    // Apply the offset to the clock as it reads now, at its full resolution.
    return clock.Set(clock.Now() + *offset) ? 0 : -1;
}

}  // namespace ntplib
