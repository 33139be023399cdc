#include "platform/serial_line.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <utility>

namespace platform {

namespace {

constexpr std::pair<int, speed_t> kSpeeds[] = {
    {50, B50},         {75, B75},         {110, B110},         {134, B134},       {150, B150},
    {200, B200},       {300, B300},       {600, B600},         {1200, B1200},     {1800, B1800},
    {2400, B2400},     {4800, B4800},     {9600, B9600},       {19200, B19200},   {38400, B38400},
    {57600, B57600},   {115200, B115200}, {230400, B230400},   {460800, B460800}, {500000, B500000},
    {576000, B576000}, {921600, B921600}, {1000000, B1000000},
};

std::optional<speed_t> SpeedFor(int baud) {
    for (const auto& [rate, speed] : kSpeeds) {
        if (rate == baud)
            return speed;
    }
    return std::nullopt;
}

void Release(int fd) {
    ioctl(fd, TIOCNXCL);
    close(fd);
}

}  // namespace

std::string SerialDevicePath(int port) {
    if (port < 1 || port > 4)
        return {};
    const std::string name = "TIKO3_COM" + std::to_string(port);
    if (const char* device = secure_getenv(name.c_str()); device != nullptr && *device != '\0') {
        return device;
    }
    return "/dev/ttyS" + std::to_string(port - 1);
}

CSerialLine::~CSerialLine() {
    Close();
}

bool CSerialLine::Open(int port, int baud) {
    if (fd_ >= 0)
        return true;
    const std::string path = SerialDevicePath(port);
    const std::optional<speed_t> speed = SpeedFor(baud);
    if (path.empty() || !speed)
        return false;

    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    termios tio{};
    if (ioctl(fd, TIOCEXCL) != 0 || tcgetattr(fd, &tio) != 0) {
        Release(fd);
        return false;
    }
    cfmakeraw(&tio);
    // 8N1 without handshake: a display that never raises CTS must not stall us.
    tio.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (cfsetispeed(&tio, *speed) != 0 || cfsetospeed(&tio, *speed) != 0 ||
        tcsetattr(fd, TCSANOW, &tio) != 0) {
        Release(fd);
        return false;
    }
    // Raise DTR and RTS for displays powered from them. Pseudo-terminals have no
    // modem lines and answer ENOTTY, which is fine.
    int lines = TIOCM_DTR | TIOCM_RTS;
    ioctl(fd, TIOCMBIS, &lines);
    tcflush(fd, TCIOFLUSH);
    fd_ = fd;
    return true;
}

int CSerialLine::Send(const unsigned char* bytes, int length) {
    if (fd_ < 0 || bytes == nullptr || length <= 0)
        return 0;
    for (int i = 0; i < length; ++i)
        WriteByte(bytes[i]);
    return length;
}

void CSerialLine::WriteByte(unsigned char byte) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(kByteTimeoutMs);
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return;
        pollfd ready{fd_, POLLOUT, 0};
        const int polled = poll(&ready, 1, static_cast<int>(left.count()));
        if (polled < 0 && errno == EINTR)
            continue;
        if (polled <= 0)
            return;  // time-out or error: the byte is abandoned
        const ssize_t written = write(fd_, &byte, 1);
        if (written == 1)
            return;
        const bool retry = written < 0 && (errno == EAGAIN || errno == EINTR);
        if (!retry || (ready.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0)
            return;
    }
}

bool CSerialLine::Close() {
    if (fd_ >= 0) {
        Release(fd_);
        fd_ = -1;
    }
    return true;
}

}  // namespace platform
