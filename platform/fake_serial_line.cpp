#include "platform/fake_serial_line.h"

namespace platform {

bool FakeSerialLine::Open(int port, int baud) {
    std::lock_guard lock(mutex_);
    if (open_) return true;
    if (port < 1 || port > 4 || missing_.count(port) != 0) {
        ++failed_opens_;
        return false;
    }
    Session session;
    session.port = port;
    session.baud = baud;
    sessions_.push_back(std::move(session));
    open_ = true;
    return true;
}

int FakeSerialLine::Send(const unsigned char* bytes, int length) {
    SendHook hook;
    int port = 0;
    {
        std::lock_guard lock(mutex_);
        if (!open_ || bytes == nullptr || length <= 0) return 0;
        hook = hook_;
        port = sessions_.back().port;
    }
    if (hook) hook(port, bytes, length);
    std::lock_guard lock(mutex_);
    Session& session = sessions_.back();
    session.bytes.insert(session.bytes.end(), bytes, bytes + length);
    ++session.sends;
    return length;
}

bool FakeSerialLine::Close() {
    std::lock_guard lock(mutex_);
    if (open_) {
        sessions_.back().closed = true;
        open_ = false;
    }
    return true;
}

void FakeSerialLine::SetPortPresent(int port, bool present) {
    std::lock_guard lock(mutex_);
    if (present) {
        missing_.erase(port);
    } else {
        missing_.insert(port);
    }
}

void FakeSerialLine::SetSendHook(SendHook hook) {
    std::lock_guard lock(mutex_);
    hook_ = std::move(hook);
}

std::vector<FakeSerialLine::Session> FakeSerialLine::Sessions() const {
    std::lock_guard lock(mutex_);
    return sessions_;
}

int FakeSerialLine::FailedOpens() const {
    std::lock_guard lock(mutex_);
    return failed_opens_;
}

}  // namespace platform
