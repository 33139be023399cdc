#include "platform/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace platform {
namespace {

void Say(std::string* reason, std::string text) {
    if (reason != nullptr)
        *reason = std::move(text);
}

const char* KindOf(mode_t mode) {
    if (S_ISDIR(mode))
        return "a directory";
    if (S_ISFIFO(mode))
        return "a FIFO";
    if (S_ISCHR(mode))
        return "a character device";
    if (S_ISBLK(mode))
        return "a block device";
    if (S_ISSOCK(mode))
        return "a socket";
    return "not a regular file";
}

}  // namespace

int OpenRegularFile(const std::filesystem::path& path, std::string* reason) {
    // O_NONBLOCK: opening a FIFO without a writer, or a terminal, returns at once.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        const int error = errno;
        Say(reason, std::strerror(error));
        errno = error;
        return -1;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        Say(reason, std::strerror(errno));
        ::close(fd);
        return -1;
    }
    if (!S_ISREG(info.st_mode)) {
        Say(reason, std::string("is ") + KindOf(info.st_mode) + ", not a regular file");
        ::close(fd);
        errno = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        return -1;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return fd;
}

namespace {

// Reads fd to its end or up to `limit` bytes; with `refuseBeyond`, a file longer than that is a
// failure rather than cut. Closes fd.
std::optional<std::string> ReadUpTo(int fd, std::size_t limit, bool refuseBeyond, std::string* reason) {
    std::string content;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && info.st_size > 0)
        content.reserve(std::min(static_cast<std::size_t>(info.st_size), limit));
    // Read by chunks rather than trusting st_size: a file may grow while it is read, and files
    // of /proc say 0.
    char buffer[65536];
    while (content.size() < limit || refuseBeyond) {
        const std::size_t want =
            refuseBeyond ? sizeof buffer : std::min(sizeof buffer, limit - content.size());
        const ssize_t n = ::read(fd, buffer, want);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int error = errno;
            Say(reason, std::strerror(error));
            ::close(fd);
            errno = error;
            return std::nullopt;
        }
        if (n == 0)
            break;
        if (content.size() + static_cast<std::size_t>(n) > limit) {
            Say(reason, "is larger than " + std::to_string(limit) + " bytes");
            ::close(fd);
            errno = EFBIG;
            return std::nullopt;
        }
        content.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return content;
}

}  // namespace

std::optional<std::string> ReadRegularFile(const std::filesystem::path& path, std::string* reason,
                                           std::size_t limit, bool* missing) {
    if (missing != nullptr)
        *missing = false;
    const int fd = OpenRegularFile(path, reason);
    if (fd < 0) {
        if (missing != nullptr)
            *missing = errno == ENOENT;
        return std::nullopt;
    }
    return ReadUpTo(fd, limit, true, reason);
}

std::optional<std::string> ReadRegularFileStart(const std::filesystem::path& path, std::size_t count,
                                                std::string* reason) {
    const int fd = OpenRegularFile(path, reason);
    if (fd < 0)
        return std::nullopt;
    return ReadUpTo(fd, count, false, reason);
}

}  // namespace platform
