#pragma once

#include <functional>
#include <mutex>
#include <set>
#include <vector>

#include "platform/serial_line.h"

namespace platform {

// Records what each opened port received instead of touching a device. All
// four ports exist unless a test removes one.
class FakeSerialLine final : public ISerialLine {
public:
    // One Open..Close of one port.
    struct Session {
        int port = 0;
        int baud = 0;
        std::vector<unsigned char> bytes;  // everything sent, in order
        int sends = 0;                     // Send calls that wrote bytes
        bool closed = false;
    };
    // Runs on the sending thread before the bytes are recorded, e.g. to read a
    // fake clock at the moment a telegram leaves.
    using SendHook = std::function<void(int port, const unsigned char* bytes, int length)>;

    bool Open(int port, int baud) override;
    int Send(const unsigned char* bytes, int length) override;
    bool Close() override;

    void SetPortPresent(int port, bool present);
    void SetSendHook(SendHook hook);

    std::vector<Session> Sessions() const;
    int FailedOpens() const;

private:
    mutable std::mutex mutex_;
    std::set<int> missing_;
    std::vector<Session> sessions_;
    SendHook hook_;
    bool open_ = false;
    int failed_opens_ = 0;
};

}  // namespace platform
