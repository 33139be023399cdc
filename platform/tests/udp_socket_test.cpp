#include "platform/udp_socket.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>

using platform::UdpSocket;
using platform::WaitResult;

TEST(ResolveIpv4Test, DottedNamedAndUnresolvable) {
    uint32_t address = 0;
    ASSERT_TRUE(platform::ResolveIpv4("192.0.2.17", address));
    EXPECT_EQ(0xC0000211u, address);
    EXPECT_EQ("192.0.2.17", platform::Ipv4ToText(address));
    ASSERT_TRUE(platform::ResolveIpv4("localhost", address));
    EXPECT_EQ(platform::kLoopbackIpv4, address);
    // An empty label is refused by the resolver itself, without asking any name server.
    std::string why;
    errno = 0;
    EXPECT_FALSE(platform::ResolveIpv4("no-such-host..invalid", address, &why));
    EXPECT_NE(0, errno);
    EXPECT_FALSE(why.empty());
}

class UdpSocketTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server_.Create());
        ASSERT_TRUE(server_.Bind(platform::kLoopbackIpv4, 0));
        ASSERT_NE(0, server_.LocalPort());
        ASSERT_TRUE(client_.Create());
        ASSERT_TRUE(client_.Connect(platform::kLoopbackIpv4, server_.LocalPort()));
    }
    UdpSocket server_;
    UdpSocket client_;
};

TEST_F(UdpSocketTest, ExchangeAndCutLongDatagram) {
    ASSERT_TRUE(client_.Send("ping", 4));
    ASSERT_EQ(WaitResult::Ready, server_.WaitReadable(5000));
    char buffer[16] = {};
    uint32_t from = 0;
    uint16_t port = 0;
    ASSERT_EQ(4, server_.ReceiveFrom(buffer, sizeof buffer, from, port));
    EXPECT_EQ(platform::kLoopbackIpv4, from);
    EXPECT_EQ(client_.LocalPort(), port);

    char big[100];
    std::memset(big, 'x', sizeof big);
    ASSERT_TRUE(server_.SendTo(big, sizeof big, from, port));
    ASSERT_EQ(WaitResult::Ready, client_.WaitReadable(5000));
    char small[10] = {};
    EXPECT_EQ(10, client_.Receive(small, sizeof small));
    // The rest of the long datagram is gone, not left for the next read.
    EXPECT_EQ(WaitResult::TimedOut, client_.WaitReadable(0));
}

TEST_F(UdpSocketTest, RefusedPortShowsAtTheNextReceive) {
    const uint16_t port = server_.LocalPort();
    server_.Close();
    EXPECT_FALSE(server_.IsOpen());
    ASSERT_TRUE(client_.Send("ping", 4));
    ASSERT_EQ(WaitResult::Ready, client_.WaitReadable(5000)) << "port " << port;
    char buffer[4];
    EXPECT_EQ(-1, client_.Receive(buffer, sizeof buffer));
    EXPECT_EQ(ECONNREFUSED, errno);
}

TEST_F(UdpSocketTest, MovingHandsTheHandleOver) {
    UdpSocket moved(std::move(client_));
    EXPECT_FALSE(client_.IsOpen());
    EXPECT_TRUE(moved.IsOpen());
    errno = 1234;
    moved.Close();
    EXPECT_EQ(1234, errno);
    EXPECT_FALSE(moved.IsOpen());
}
