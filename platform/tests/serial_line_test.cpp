#include "platform/serial_line.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/capability.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/child_process.h"

namespace {

using platform::CSerialLine;
using platform::SerialDevicePath;

const std::vector<unsigned char> kTelegram = {'@', '1', '2', '0', '0', '0', '0', 0xE6, 0x0D, 0x0A};

// A pseudo-terminal pair whose slave stands in for COM1. The test keeps its
// own slave descriptor open so the master never sees a hang-up.
class SerialLineTest : public ::testing::Test {
protected:
    void SetUp() override {
        char name[256];
        ASSERT_EQ(openpty(&master_, &slave_, name, nullptr, nullptr), 0);
        slave_name_ = name;
        setenv("TIKO3_COM1", name, 1);
    }

    void TearDown() override {
        for (int port = 1; port <= 4; ++port)
            unsetenv(("TIKO3_COM" + std::to_string(port)).c_str());
        close(master_);
        close(slave_);
    }

    // Reads from the master until `count` bytes came or none arrive within `idle_ms`.
    std::vector<unsigned char> ReadMaster(size_t count, int idle_ms = 5000) {
        std::vector<unsigned char> got;
        unsigned char buffer[4096];
        while (got.size() < count) {
            pollfd ready{master_, POLLIN, 0};
            if (poll(&ready, 1, idle_ms) <= 0)
                break;
            const ssize_t n = read(master_, buffer, sizeof buffer);
            if (n <= 0)
                break;
            got.insert(got.end(), buffer, buffer + n);
        }
        return got;
    }

    // Runs `body` in a child without CAP_SYS_ADMIN, which lets root ignore
    // exclusive use; returns the child's exit status.
    static int InChildWithoutSysAdmin(const std::function<int()>& body) {
        return InChild([&] {
            cap_t caps = cap_get_proc();
            const cap_value_t admin = CAP_SYS_ADMIN;
            if (caps == nullptr || cap_set_flag(caps, CAP_EFFECTIVE, 1, &admin, CAP_CLEAR) != 0 ||
                cap_set_proc(caps) != 0) {
                return 100;
            }
            cap_free(caps);
            return body();
        });
    }

    int master_ = -1;
    int slave_ = -1;
    std::string slave_name_;
};

TEST_F(SerialLineTest, OpenSetsRaw8N1AtTheGivenSpeed) {
    CSerialLine line;
    ASSERT_TRUE(line.Open(1, 4800));
    termios tio{};
    ASSERT_EQ(tcgetattr(slave_, &tio), 0);
    EXPECT_EQ(cfgetospeed(&tio), B4800);
    EXPECT_EQ(cfgetispeed(&tio), B4800);
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(tio.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(tio.c_oflag & OPOST, 0u);
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(tio.c_iflag & (ICRNL | IXON | ISTRIP), 0u);

    EXPECT_TRUE(line.Open(1, 1200));  // already open: nothing changes
    ASSERT_EQ(tcgetattr(slave_, &tio), 0);
    EXPECT_EQ(cfgetospeed(&tio), B4800);

    EXPECT_TRUE(line.Close());
    ASSERT_TRUE(line.Open(1, 1200));
    ASSERT_EQ(tcgetattr(slave_, &tio), 0);
    EXPECT_EQ(cfgetospeed(&tio), B1200);
}

TEST_F(SerialLineTest, BytesArriveUnalteredAndInOrder) {
    CSerialLine line;
    ASSERT_TRUE(line.Open(1, 4800));
    EXPECT_EQ(line.Send(kTelegram.data(), 10), 10);
    EXPECT_EQ(line.Send(kTelegram.data(), 10), 10);
    EXPECT_TRUE(line.Close());

    std::vector<unsigned char> twice = kTelegram;
    twice.insert(twice.end(), kTelegram.begin(), kTelegram.end());
    EXPECT_EQ(ReadMaster(20), twice);
}

TEST_F(SerialLineTest, SendNeedsAnOpenLineAndBytes) {
    CSerialLine line;
    EXPECT_EQ(line.Send(kTelegram.data(), 10), 0);
    EXPECT_TRUE(line.Close());
    ASSERT_TRUE(line.Open(1, 2400));
    EXPECT_EQ(line.Send(kTelegram.data(), 0), 0);
    EXPECT_EQ(line.Send(nullptr, 10), 0);
    EXPECT_TRUE(line.Close());
    EXPECT_TRUE(line.Close());
    EXPECT_EQ(line.Send(kTelegram.data(), 10), 0);
    EXPECT_EQ(ReadMaster(1, 100).size(), 0u);
}

TEST_F(SerialLineTest, UnusablePortsFailToOpen) {
    CSerialLine line;
    setenv("TIKO3_COM2", "/nonexistent/ttyS9", 1);
    EXPECT_FALSE(line.Open(2, 4800));
    setenv("TIKO3_COM3", "/dev/null", 1);  // not a terminal
    EXPECT_FALSE(line.Open(3, 4800));
    EXPECT_FALSE(line.Open(0, 4800));
    EXPECT_FALSE(line.Open(5, 4800));
    EXPECT_FALSE(line.Open(1, 14400));  // no such line speed here
    EXPECT_FALSE(line.IsOpen());
    EXPECT_TRUE(line.Open(1, 4800));
}

TEST_F(SerialLineTest, PortNamesFollowTheEnvironment) {
    EXPECT_EQ(SerialDevicePath(1), slave_name_);
    EXPECT_EQ(SerialDevicePath(3), "/dev/ttyS2");
    setenv("TIKO3_COM4", "", 1);
    EXPECT_EQ(SerialDevicePath(4), "/dev/ttyS3");
    setenv("TIKO3_COM4", "/dev/ttyUSB0", 1);
    EXPECT_EQ(SerialDevicePath(4), "/dev/ttyUSB0");
    EXPECT_EQ(SerialDevicePath(0), "");
    EXPECT_EQ(SerialDevicePath(5), "");
}

TEST_F(SerialLineTest, OpenDiscardsPendingInput) {
    ASSERT_EQ(write(master_, "junk\n", 5), 5);
    int pending = 0;
    for (int tries = 0; tries < 1000 && pending == 0; ++tries) {
        ASSERT_EQ(ioctl(slave_, FIONREAD, &pending), 0);
        if (pending == 0)
            usleep(1000);
    }
    ASSERT_GT(pending, 0);

    CSerialLine line;
    ASSERT_TRUE(line.Open(1, 4800));
    ASSERT_EQ(ioctl(slave_, FIONREAD, &pending), 0);
    EXPECT_EQ(pending, 0);
}

TEST_F(SerialLineTest, OpenLineIsExclusiveUntilClosed) {
    CSerialLine line;
    ASSERT_TRUE(line.Open(1, 4800));
    EXPECT_EQ(InChildWithoutSysAdmin([] {
                  CSerialLine second;
                  return second.Open(1, 4800) ? 1 : 0;
              }),
              0);

    line.Close();
    EXPECT_EQ(InChildWithoutSysAdmin([] {
                  CSerialLine second;
                  return second.Open(1, 4800) ? 0 : 1;
              }),
              0);
}

TEST_F(SerialLineTest, ByteTheLineWillNotTakeIsDroppedAfterItsTimeOut) {
    CSerialLine line;
    ASSERT_TRUE(line.Open(1, 4800));  // first, since opening purges the output

    // Fill the pair until the slave takes nothing more: the master never reads.
    ASSERT_EQ(fcntl(slave_, F_SETFL, fcntl(slave_, F_GETFL) | O_NONBLOCK), 0);
    const std::vector<unsigned char> filler(4096, 'x');
    size_t filled = 0;
    for (;;) {
        const ssize_t n = write(slave_, filler.data(), filler.size());
        if (n > 0) {
            filled += static_cast<size_t>(n);
            continue;
        }
        ASSERT_EQ(errno, EAGAIN);
        pollfd room{slave_, POLLOUT, 0};
        if (poll(&room, 1, 500) == 0)
            break;  // no room came back: full for good
    }

    const unsigned char lost[] = {'A', 'B'};
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(line.Send(lost, 2), 2);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(2 * CSerialLine::kByteTimeoutMs - 20));

    const std::vector<unsigned char> drained = ReadMaster(filled + 2, 1000);
    EXPECT_EQ(std::count(drained.begin(), drained.end(), 'A'), 0);
    EXPECT_EQ(std::count(drained.begin(), drained.end(), 'B'), 0);

    const unsigned char after = 'Z';
    EXPECT_EQ(line.Send(&after, 1), 1);
    EXPECT_EQ(ReadMaster(1), std::vector<unsigned char>{'Z'});
}

}  // namespace
