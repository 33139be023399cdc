#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

#include "platform/serial_line.h"

namespace platform {

// Records what each opened port received instead of touching a device. All
// four ports exist unless a test removes one. Lines made by NewLine() share
// the record, so a manager that makes a fresh line per port can be watched
// through the one the test keeps.
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

    FakeSerialLine();
    ~FakeSerialLine() override;

    bool Open(int port, int baud) override;
    int Send(const unsigned char* bytes, int length) override;
    bool Close() override;

    // A further line, closed, recording into the same sessions.
    std::unique_ptr<ISerialLine> NewLine() const;

    void SetPortPresent(int port, bool present);
    void SetSendHook(SendHook hook);

    std::vector<Session> Sessions() const;
    int FailedOpens() const;

private:
    struct Record {
        std::mutex mutex;
        std::set<int> missing;
        std::vector<Session> sessions;
        SendHook hook;
        int failedOpens = 0;
    };

    explicit FakeSerialLine(std::shared_ptr<Record> record);

    std::shared_ptr<Record> record_;
    int session_ = -1;  // index into the sessions while open
};

}  // namespace platform
