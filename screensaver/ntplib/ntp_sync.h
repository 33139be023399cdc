#pragma once
// One synchronisation: an SNTP exchange with the server, then the clock set to its time.
// The exchange and its checks are LumClient's SNTP core, linked in; the clock is injected, so
// tests set a fake.

#include <optional>

#include "platform/clock.h"
#include "sntp/server_address.h"

namespace ntplib {

// Names the library's one server, HOST[:PORT], ahead of the default primary server.
inline constexpr char kServerVariable[] = "TIKO3_NTPLIB_SERVER";

// $TIKO3_NTPLIB_SERVER, else $TIKO3_PRIMARY_SERVER, else the default primary server; nothing
// when the variable in use holds no valid address.
std::optional<ServerAddress> ConfiguredServer(const EnvironmentLookup& lookup = {});

// 0 when the clock was set to the server's time, -1 otherwise.
int SyncOnce(const ServerAddress& server, platform::Clock& clock);

}  // namespace ntplib
