#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "sntp/sntp_packet.h"

struct ServerAddress {
    std::string host;
    uint16_t port = sntp::kPort;

    friend bool operator==(const ServerAddress&, const ServerAddress&) = default;
};

struct ServerPair {
    ServerAddress primary;
    ServerAddress secondary;
};

// The public servers asked when nobody names others: the Korean zone of the pool, then the
// whole pool.
inline constexpr char kDefaultPrimaryHost[] = "kr.pool.ntp.org";
inline constexpr char kDefaultSecondaryHost[] = "pool.ntp.org";
inline constexpr char kPrimaryServerVariable[] = "TIKO3_PRIMARY_SERVER";
inline constexpr char kSecondaryServerVariable[] = "TIKO3_SECONDARY_SERVER";

// "HOST" or "HOST:PORT" (port 1-65535, host without blanks or colons); false for anything else.
bool ParseServerAddress(std::string_view text, ServerAddress& out);

using EnvironmentLookup = std::function<const char*(const char*)>;
// The two default servers, each replaced by its environment variable when that holds a valid
// address. Without a lookup the process environment is read.
ServerPair DefaultServers(const EnvironmentLookup& lookup = {});
