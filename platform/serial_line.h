#pragma once

#include <string>

namespace platform {

// One serial port, opened for a single transmission and closed after it.
class ISerialLine {
public:
    virtual ~ISerialLine() = default;

    // Port 1..4 at `baud`, 8 data bits, no parity, one stop bit, exclusive.
    // True at once if already open.
    virtual bool Open(int port, int baud) = 0;
    // Writes each byte in turn; a byte the line does not take within its
    // time-out is dropped and the next one follows. Returns `length` when open
    // and length > 0, else 0.
    virtual int Send(const unsigned char* bytes, int length) = 0;
    // Always true; nothing happens when not open.
    virtual bool Close() = 0;
};

// The device for COM`port`: $TIKO3_COM<port> when set and not empty, else
// /dev/ttyS<port-1>. Empty for a port outside 1..4.
std::string SerialDevicePath(int port);

// The termios line.
class CSerialLine final : public ISerialLine {
public:
    static constexpr int kByteTimeoutMs = 1000;

    CSerialLine() = default;
    ~CSerialLine() override;
    CSerialLine(const CSerialLine&) = delete;
    CSerialLine& operator=(const CSerialLine&) = delete;

    bool Open(int port, int baud) override;
    int Send(const unsigned char* bytes, int length) override;
    bool Close() override;

    bool IsOpen() const { return fd_ >= 0; }

private:
    void WriteByte(unsigned char byte);

    int fd_ = -1;
};

}  // namespace platform
