#include "screensaver/ntplib/ntp_sync.h"

#include <cmath>
#include <cstdlib>

#include "sntp/sntp_client.h"

namespace ntplib {

std::optional<ServerAddress> ConfiguredServer(const EnvironmentLookup& lookup) {
    // A program with a file capability takes no server from its caller's environment.
    auto get = [&](const char* name) -> const char* {
        return lookup ? lookup(name) : platform::TrustedEnvironment(name);
    };
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
    // Moved by the measured offset; the screen saver runs unattended, so it never prompts.
    return clock.Shift(std::llround(reply.offset * 1e6), platform::Prompt::Never).Ok() ? 0 : -1;
}

}  // namespace ntplib
