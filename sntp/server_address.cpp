#include "sntp/server_address.h"

#include <charconv>
#include <cstdlib>

bool ParseServerAddress(std::string_view text, ServerAddress& out) {
    std::string_view host = text;
    uint16_t port = sntp::kPort;
    const size_t colon = text.rfind(':');
    if (colon != std::string_view::npos) {
        host = text.substr(0, colon);
        const std::string_view digits = text.substr(colon + 1);
        unsigned value = 0;
        const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
        if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size() || value == 0 ||
            value > 65535) {
            return false;
        }
        port = static_cast<uint16_t>(value);
    }
    if (host.empty() || host.find_first_of(" \t\r\n:") != std::string_view::npos)
        return false;
    out.host = std::string(host);
    out.port = port;
    return true;
}

ServerPair DefaultServers(const EnvironmentLookup& lookup) {
    ServerPair pair{{kDefaultPrimaryHost, sntp::kPort}, {kDefaultSecondaryHost, sntp::kPort}};
    auto get = [&](const char* name) -> const char* { return lookup ? lookup(name) : secure_getenv(name); };
    ServerAddress parsed;
    if (const char* value = get(kPrimaryServerVariable);
        value != nullptr && ParseServerAddress(value, parsed))
        pair.primary = parsed;
    if (const char* value = get(kSecondaryServerVariable);
        value != nullptr && ParseServerAddress(value, parsed))
        pair.secondary = parsed;
    return pair;
}
