#include "tests/support/fake_serial_line.h"

namespace platform {

FakeSerialLine::FakeSerialLine() : record_(std::make_shared<Record>()) {}

FakeSerialLine::FakeSerialLine(std::shared_ptr<Record> record) : record_(std::move(record)) {}

FakeSerialLine::~FakeSerialLine() {
    Close();
}

std::unique_ptr<ISerialLine> FakeSerialLine::NewLine() const {
    return std::unique_ptr<ISerialLine>(new FakeSerialLine(record_));
}

bool FakeSerialLine::Open(int port, int baud) {
    std::lock_guard lock(record_->mutex);
    if (session_ >= 0)
        return true;
    if (port < 1 || port > 4 || record_->missing.count(port) != 0) {
        ++record_->failedOpens;
        return false;
    }
    Session session;
    session.port = port;
    session.baud = baud;
    record_->sessions.push_back(std::move(session));
    session_ = static_cast<int>(record_->sessions.size()) - 1;
    return true;
}

int FakeSerialLine::Send(const unsigned char* bytes, int length) {
    SendHook hook;
    int port = 0;
    {
        std::lock_guard lock(record_->mutex);
        if (session_ < 0 || bytes == nullptr || length <= 0)
            return 0;
        hook = record_->hook;
        port = record_->sessions[session_].port;
    }
    if (hook)
        hook(port, bytes, length);
    std::lock_guard lock(record_->mutex);
    Session& session = record_->sessions[session_];
    session.bytes.insert(session.bytes.end(), bytes, bytes + length);
    ++session.sends;
    return length;
}

bool FakeSerialLine::Close() {
    std::lock_guard lock(record_->mutex);
    if (session_ >= 0) {
        record_->sessions[session_].closed = true;
        session_ = -1;
    }
    return true;
}

void FakeSerialLine::SetPortPresent(int port, bool present) {
    std::lock_guard lock(record_->mutex);
    if (present) {
        record_->missing.erase(port);
    } else {
        record_->missing.insert(port);
    }
}

void FakeSerialLine::SetSendHook(SendHook hook) {
    std::lock_guard lock(record_->mutex);
    record_->hook = std::move(hook);
}

std::vector<FakeSerialLine::Session> FakeSerialLine::Sessions() const {
    std::lock_guard lock(record_->mutex);
    return record_->sessions;
}

int FakeSerialLine::FailedOpens() const {
    std::lock_guard lock(record_->mutex);
    return record_->failedOpens;
}

}  // namespace platform
