#include "sntp/server_address.h"

#include <gtest/gtest.h>

TEST(ServerAddressTest, HostAndOptionalPort) {
    ServerAddress a;
    ASSERT_TRUE(ParseServerAddress("time.example:1234", a));
    EXPECT_EQ("time.example", a.host);
    EXPECT_EQ(1234, a.port);
    ASSERT_TRUE(ParseServerAddress("10.0.0.1", a));
    EXPECT_EQ(123, a.port);
    for (const char* bad : {"", ":123", "host:", "host:0", "host:65536", "host:12x", "two words", "a:b:1"}) {
        EXPECT_FALSE(ParseServerAddress(bad, a)) << bad;
    }
}

TEST(ServerAddressTest, EnvironmentReplacesTheDefaults) {
    const ServerPair defaults = DefaultServers([](const char*) -> const char* { return nullptr; });
    EXPECT_EQ(kDefaultPrimaryHost, defaults.primary.host);
    EXPECT_EQ(kDefaultSecondaryHost, defaults.secondary.host);
    const ServerPair pair = DefaultServers([](const char* name) -> const char* {
        return std::string(name) == kPrimaryServerVariable ? "127.0.0.1:4123" : "bad:port";
    });
    EXPECT_EQ("127.0.0.1", pair.primary.host);
    EXPECT_EQ(4123, pair.primary.port);
    EXPECT_EQ(kDefaultSecondaryHost, pair.secondary.host);  // an unusable value is ignored
}
