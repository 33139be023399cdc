#include "tests/support/fake_serial_line.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

using platform::FakeSerialLine;

TEST(FakeSerialLineTest, RecordsEachSessionAndSkipsMissingPorts) {
    FakeSerialLine line;
    line.SetPortPresent(3, false);
    std::vector<int> hooked;
    line.SetSendHook(
        [&](int port, const unsigned char*, int length) { hooked.push_back(port * 100 + length); });
    const unsigned char bytes[] = {'@', '0', '7', '0', '5', '0', '9'};

    for (int port = 1; port <= 4; ++port) {
        const bool opened = line.Open(port, 4800);
        EXPECT_EQ(opened, port != 3);
        EXPECT_EQ(line.Send(bytes, 7), opened ? 7 : 0);
        EXPECT_EQ(line.Send(bytes, 7), opened ? 7 : 0);
        EXPECT_TRUE(line.Close());
    }

    const auto sessions = line.Sessions();
    ASSERT_EQ(sessions.size(), 3u);
    EXPECT_EQ(sessions[2].port, 4);
    EXPECT_EQ(sessions[2].baud, 4800);
    EXPECT_EQ(sessions[2].bytes.size(), 14u);
    EXPECT_EQ(sessions[2].sends, 2);
    EXPECT_TRUE(sessions[2].closed);
    EXPECT_EQ(line.FailedOpens(), 1);
    EXPECT_EQ(hooked, (std::vector<int>{107, 107, 207, 207, 407, 407}));
}

TEST(FakeSerialLineTest, LinesOfOneFactoryShareTheRecord) {
    FakeSerialLine ports;
    ports.SetPortPresent(2, false);
    const unsigned char byte = 'x';
    {
        std::unique_ptr<platform::ISerialLine> first = ports.NewLine();
        std::unique_ptr<platform::ISerialLine> second = ports.NewLine();
        ASSERT_TRUE(first->Open(1, 1200));
        EXPECT_FALSE(second->Open(2, 1200));
        ASSERT_TRUE(second->Open(4, 1200));
        EXPECT_EQ(second->Send(&byte, 1), 1);
        EXPECT_TRUE(first->Close());
    }  // a line dropped while open counts as closed

    const auto sessions = ports.Sessions();
    ASSERT_EQ(sessions.size(), 2u);
    EXPECT_EQ(sessions[0].port, 1);
    EXPECT_TRUE(sessions[0].bytes.empty());
    EXPECT_EQ(sessions[1].port, 4);
    EXPECT_EQ(sessions[1].bytes, std::vector<unsigned char>{'x'});
    EXPECT_TRUE(sessions[1].closed);
    EXPECT_EQ(ports.FailedOpens(), 1);
}

}  // namespace
