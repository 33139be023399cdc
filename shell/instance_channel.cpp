#include "shell/instance_channel.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cstring>

namespace {

constexpr char kShowRequest = 'S';

bool FillAddress(const std::string& path, sockaddr_un& address) {
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

}  // namespace

CInstanceChannel::CInstanceChannel() = default;

CInstanceChannel::~CInstanceChannel() {
    delete notifier_;
    if (fd_ >= 0) {
        close(fd_);
        unlink(path_.c_str());
    }
}

bool CInstanceChannel::Listen(const std::string& path, std::function<void()> onShow) {
    sockaddr_un address{};
    if (fd_ >= 0 || !FillAddress(path, address))
        return false;
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    unlink(path.c_str());
    if (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 || listen(fd, 4) != 0) {
        close(fd);
        return false;
    }
    fd_ = fd;
    path_ = path;
    onShow_ = std::move(onShow);
    notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read);
    connect(notifier_, &QSocketNotifier::activated, this, &CInstanceChannel::OnReadable);
    return true;
}

void CInstanceChannel::OnReadable() {
    // Each connection is one request; what it carries only has to be the request byte.
    for (;;) {
        const int peer = accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (peer < 0)
            return;
        timeval wait{0, 200 * 1000};  // a peer that connects and says nothing cannot hold the GUI
        setsockopt(peer, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
        char request = 0;
        const bool asked = read(peer, &request, 1) == 1 && request == kShowRequest;
        close(peer);
        if (asked && onShow_)
            onShow_();
    }
}

bool CInstanceChannel::AskToShow(const std::string& path) {
    sockaddr_un address{};
    if (!FillAddress(path, address))
        return false;
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool sent = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
                      write(fd, &kShowRequest, 1) == 1;
    close(fd);
    return sent;
}
