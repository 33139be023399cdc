#include "screensaver/ntplib/ntp_sync.h"

#include <cstdlib>

#include "sntp/sntp_client.h"

namespace ntplib {

std::optional<ServerAddress> ConfiguredServer(const EnvironmentLookup& lookup) {
    auto get = [&](const char* name) -> const char* { return lookup ? lookup(name) : std::getenv(name); };
    for (const char* name : {kServerVariable, kPrimaryServerVariable}) {
        const char* value = get(name);
        if (value == nullptr || *value == '\0')
            continue;
        // A wrong name must not send the request to a server nobody chose.
        ServerAddress server;
        if (!ParseServerAddress(value, server))
            return std::nullopt;
        return server;
    }
    return ServerAddress{kDefaultPrimaryHost, sntp::kPort};
}

int SyncOnce(const ServerAddress& server, platform::Clock& clock) {
    CSNTPClient client(clock);
    NtpReply reply;
    if (!client.RequestTime(server.host, reply, server.port) || !HasCredibleTimes(reply))
        return -1;
    // The clock as it reads now, corrected by the measured offset.
    return client.SetSystemClock(NtpTimestamp::FromClock(clock).AddSeconds(reply.offset)) ? 0 : -1;
}

}  // namespace ntplib
